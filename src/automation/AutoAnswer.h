// The automatic answer matcher: keeps the recent received bytes as reversed hex
// text in the document and, when the trigger byte arrives, asks the main frame to
// send the answer of the first rule whose trigger ended the received data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrelon {

class CKestronDoc;

// The history holds 128 bytes as hex (two characters each, newest first). A
// trigger is cut to the same 128 bytes when its table entry is built, so anything
// older than that cannot take part in a match and is dropped.
constexpr std::size_t MATCH_HISTORY_LIMIT = 256;

// The values of the Auto Answer dialog: trigger byte, echo and the rules as
// alternating trigger and answer texts.
struct AutoAnswerSettings {
    std::uint8_t triggerByte = 13;
    bool echo = false;
    std::vector<std::string> rules;

    bool operator==(const AutoAnswerSettings&) const = default;

    static AutoAnswerSettings FromDocument(const CKestronDoc& doc);
    // Stores the values, replaces the rules, rebuilds the trigger table and marks
    // the document modified. Matching goes on with the history it had.
    void ApplyTo(CKestronDoc& doc) const;
};

// Why a rule's trigger text can never answer. The trigger byte itself never
// joins the history, so a trigger that holds it (the blank of "login: " with
// trigger byte 32) cannot match; nor can one longer than the history.
enum class ETriggerFault { None, HoldsTriggerByte, TooLong };
ETriggerFault CheckTrigger(const std::string& trigger, std::uint8_t triggerByte, bool crToCrLfOnSend);

class CAutoAnswer {
public:
    explicit CAutoAnswer(CKestronDoc& doc) : m_doc(doc) {}

    // One received byte, in order. On a match posts WM_TERMINAL / TC_AUTO_ANSWER
    // with the answer's list position (2j + 1) to the document's frame target; the
    // frame then sends that entry, so the answer leaves only after the block that
    // held the trigger byte has been processed.
    void MatchAutoAnswer(std::uint8_t byte);
    // Every byte of one received block.
    void MatchBlock(const std::uint8_t* data, std::size_t length);

    // While answers and echo are both on, each received block goes back unchanged.
    bool WantsEcho() const;

    // Position of the matching rule's answer (2j + 1), or -1 when no rule matches
    // the current history. Exposed so the frame and tests can ask without posting.
    int FindMatchingAnswer() const;

private:
    void PushHistory(const std::uint8_t* data, std::size_t length);
    void OnTriggerByte();
    bool IsCutTrigger(std::size_t rule) const;

    CKestronDoc& m_doc;
};

} // namespace kestrelon
