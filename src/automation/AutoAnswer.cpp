// CAutoAnswer: reversed-hex history and trigger matching.
#include "automation/AutoAnswer.h"

#include "core/DecodeText.h"
#include "core/KestronDoc.h"
#include "core/Messages.h"
#include "framework/MessageCarrier.h"

namespace kestrelon {

namespace {
constexpr char kHexDigits[] = "0123456789ABCDEF";
} // namespace

AutoAnswerSettings AutoAnswerSettings::FromDocument(const CKestronDoc& doc)
{
    AutoAnswerSettings s;
    s.triggerByte = doc.triggerByte;
    s.echo = doc.autoAnswerEcho != 0;
    s.rules = doc.autoAnswers;
    return s;
}

void AutoAnswerSettings::ApplyTo(CKestronDoc& doc) const
{
    doc.triggerByte = triggerByte;
    doc.autoAnswerEcho = echo ? 1 : 0;
    doc.SetAutoAnswers(rules);
}

void CAutoAnswer::PushHistory(std::uint8_t byte)
{
    // Newest byte first, so a trigger entry (also reversed) is a prefix test. The
    // history never grows past its limit, so the insert moves at most 256 bytes.
    std::string& history = m_doc.matchHistory;
    const char pair[2] = {kHexDigits[byte >> 4], kHexDigits[byte & 0x0F]};
    if (history.size() + 2 > MATCH_HISTORY_LIMIT)
        history.resize(MATCH_HISTORY_LIMIT - 2);
    history.insert(0, pair, 2);
}

bool CAutoAnswer::IsCutTrigger(std::size_t rule) const
{
    // The table holds at most 128 bytes of a trigger, so a longer trigger would
    // otherwise answer to data that ends with just its first 128 bytes. Only a
    // full-length entry can be a cut one; this runs only when such an entry has
    // matched, which is rare, so decoding the rule again costs nothing.
    const std::size_t textIndex = rule * 2;
    if (textIndex >= m_doc.autoAnswers.size())
        return false;
    const auto bytes = DecodeText(m_doc.autoAnswers[textIndex], MATCH_HISTORY_LIMIT / 2 + 1, m_doc.crToCrLfOnSend);
    return bytes.size() > MATCH_HISTORY_LIMIT / 2;
}

int CAutoAnswer::FindMatchingAnswer() const
{
    const std::string& history = m_doc.matchHistory;
    const auto& triggers = m_doc.autoAnswerTriggers;
    for (std::size_t rule = 0; rule < triggers.size(); ++rule) {
        const std::string& trigger = triggers[rule];
        if (history.size() < trigger.size() || history.compare(0, trigger.size(), trigger) != 0)
            continue;
        if (trigger.size() >= MATCH_HISTORY_LIMIT && IsCutTrigger(rule))
            continue;
        return static_cast<int>(rule * 2 + 1);
    }
    return -1;
}

void CAutoAnswer::MatchAutoAnswer(std::uint8_t byte)
{
    if (!m_doc.autoAnswerOn)
        return;
    if (byte != m_doc.triggerByte) {
        PushHistory(byte);
        return;
    }
    // The trigger byte neither joins nor clears the history: a second trigger
    // byte with nothing new in between answers again.
    const int answer = FindMatchingAnswer();
    if (answer >= 0 && m_doc.FrameTarget() != nullptr)
        m_doc.FrameTarget()->Post(MakeMessage(WM_TERMINAL, TC_AUTO_ANSWER, answer));
}

void CAutoAnswer::MatchBlock(const std::uint8_t* data, std::size_t length)
{
    if (data == nullptr || !m_doc.autoAnswerOn)
        return;
    for (std::size_t i = 0; i < length; ++i)
        MatchAutoAnswer(data[i]);
}

bool CAutoAnswer::WantsEcho() const { return m_doc.autoAnswerOn && m_doc.autoAnswerEcho != 0; }

} // namespace kestrelon
