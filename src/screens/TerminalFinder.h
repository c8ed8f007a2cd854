// Finding text in the Terminal view: the pattern in UTF-8, with or without
// case (A-Z and the Latin-1 letters), over the scrollback and the screen. Rows
// the program wrapped are searched as one line, so a word the wrap cut in two
// is found.
#pragma once

#include "screens/TerminalText.h"
#include "screens/TextFinder.h"

#include <optional>
#include <string_view>

namespace kestrelon {

class CTerminalScreen;

class CTerminalFinder {
public:
    // `last` is the place after the match's last cell; it may lie on a later line.
    struct CMatch {
        CTerminalPlace first;
        CTerminalPlace last;
        friend bool operator==(const CMatch&, const CMatch&) = default;
    };

    void SetPattern(std::string_view utf8, bool matchCase);
    bool Empty() const { return m_matcher.Empty(); }
    // Forward: the first match starting after `from` (or at it when
    // `inclusive`); backward: the last one starting before it. Without `from`,
    // forward starts at the oldest line and backward at the end. Both go round once.
    std::optional<CMatch> Find(const CTerminalScreen& screen, std::optional<CTerminalPlace> from,
                               FindDirection direction, bool inclusive) const;

private:
    CByteMatcher m_matcher; // over text folded here when case does not matter
    bool m_matchCase = true;
};

} // namespace kestrelon
