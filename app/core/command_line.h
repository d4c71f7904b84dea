#pragma once
// The program's one option, free of the platform. "/inicio" is what the installer's Run value
// passes at log-on: the program then waits quietly for the sensor instead of telling the user it
// is missing (app/startup_wait.cpp).

// True when the command line (as WinMain receives it, without the program's name) holds the
// word "/inicio" (or "-inicio"), in any case, on its own or in double quotes. A word that only
// contains it ("/inicio2", "C:\inicio") does not count. Null counts as empty.
bool hasLogonOption(const char* commandLine);
