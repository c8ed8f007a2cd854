// CAutoAnswer: reversed-hex history and trigger matching.
#include "automation/AutoAnswer.h"

#include "document/DecodeText.h"
#include "document/KestronDoc.h"
#include "document/Messages.h"
#include "framework/MessageCarrier.h"

#include <algorithm>
#include <cstring>

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

ETriggerFault CheckTrigger(const std::string& trigger, std::uint8_t triggerByte, bool crToCrLfOnSend)
{
    const auto bytes = DecodeText(trigger, MATCH_HISTORY_LIMIT / 2 + 1, crToCrLfOnSend);
    if (bytes.size() > MATCH_HISTORY_LIMIT / 2)
        return ETriggerFault::TooLong;
    if (std::find(bytes.begin(), bytes.end(), triggerByte) != bytes.end())
        return ETriggerFault::HoldsTriggerByte;
    return ETriggerFault::None;
}

void CAutoAnswer::PushHistory(const std::uint8_t* data, std::size_t length)
{
    // Newest byte first, so a trigger entry (also reversed) is a prefix test.
    // Only the newest 128 bytes of a run can stay, and the older history moves
    // once per run rather than once per byte.
    if (length == 0)
        return;
    const std::size_t keep = std::min(length, MATCH_HISTORY_LIMIT / 2);
    const std::uint8_t* newest = data + length - 1;
    std::string& history = m_doc.matchHistory;
    history.resize(std::min(history.size(), MATCH_HISTORY_LIMIT - 2 * keep));
    history.insert(0, 2 * keep, '0');
    for (std::size_t i = 0; i < keep; ++i) {
        const std::uint8_t byte = *(newest - i);
        history[2 * i] = kHexDigits[byte >> 4];
        history[2 * i + 1] = kHexDigits[byte & 0x0F];
    }
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

void CAutoAnswer::OnTriggerByte()
{
    // The trigger byte neither joins nor clears the history: a second trigger
    // byte with nothing new in between answers again.
    const int answer = FindMatchingAnswer();
    if (answer >= 0 && m_doc.FrameTarget() != nullptr)
        m_doc.FrameTarget()->Post(MakeMessage(WM_TERMINAL, TC_AUTO_ANSWER, answer));
}

void CAutoAnswer::MatchAutoAnswer(std::uint8_t byte)
{
    if (!m_doc.autoAnswerOn)
        return;
    if (byte == m_doc.triggerByte)
        OnTriggerByte();
    else
        PushHistory(&byte, 1);
}

void CAutoAnswer::MatchBlock(const std::uint8_t* data, std::size_t length)
{
    if (data == nullptr || !m_doc.autoAnswerOn)
        return;
    // Byte by byte in effect, but runs between trigger bytes go in at once.
    const std::uint8_t* const end = data + length;
    const std::uint8_t* run = data;
    while (run < end) {
        const auto* trigger =
            static_cast<const std::uint8_t*>(std::memchr(run, m_doc.triggerByte, static_cast<std::size_t>(end - run)));
        const std::uint8_t* runEnd = trigger != nullptr ? trigger : end;
        PushHistory(run, static_cast<std::size_t>(runEnd - run));
        if (trigger == nullptr)
            break;
        OnTriggerByte();
        run = trigger + 1;
    }
}

bool CAutoAnswer::WantsEcho() const
{
    return m_doc.autoAnswerOn && m_doc.autoAnswerEcho != 0;
}

} // namespace kestrelon
