#pragma once
// Milliseconds on the performance counter: fine enough to pace a round of a few milliseconds or to
// keep a touch contact alive. GetTickCount moves in steps of about 15.6 ms on Windows (several ms
// under Wine), so a gap it calls 94 ms can be 110.
double preciseMs();
