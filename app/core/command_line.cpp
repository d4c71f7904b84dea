// The command-line option rule (see command_line.h).
#include "app/core/command_line.h"

#include <cstring>

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The word [begin, end) with its double quotes left out, compared without regard to case.
bool wordIsLogonOption(const char* begin, const char* end) {
    static const char OPTION[] = "inicio"; // after the leading '/' or '-'
    size_t matched = 0;
    bool sawSwitch = false;
    for (const char* p = begin; p < end; ++p) {
        if (*p == '"')
            continue;
        if (!sawSwitch) {
            if (*p != '/' && *p != '-')
                return false;
            sawSwitch = true;
            continue;
        }
        if (matched >= sizeof OPTION - 1 || lower(*p) != OPTION[matched])
            return false;
        ++matched;
    }
    return sawSwitch && matched == sizeof OPTION - 1;
}

} // namespace

bool hasLogonOption(const char* commandLine) {
    if (!commandLine)
        return false;
    const char* p = commandLine;
    for (;;) {
        while (*p && isBlank(*p))
            ++p;
        if (!*p)
            return false;
        // A word runs to the next blank outside double quotes.
        const char* begin = p;
        bool quoted = false;
        while (*p && (quoted || !isBlank(*p))) {
            if (*p == '"')
                quoted = !quoted;
            ++p;
        }
        if (wordIsLogonOption(begin, p))
            return true;
    }
}
