// The AP's answers off its stream: each taken in the form its command awaits, never past what arrived.
#include "aplink/core/ap_reader.h"

#include <algorithm>

#include "aplink/core/ap_protocol.h"

namespace aplink {

namespace {

bool IsSeparator(char c) {
    return c == '\r' || c == '\n' || c == ' ' || c == '\0' || c == '\t';
}

// A start of a status code that the read cut short.
bool IsCutStatus(std::string_view text) {
    return text.size() < kApAccepted.size() && !text.empty() &&
           (kApAccepted.substr(0, text.size()) == text || kApRefused.substr(0, text.size()) == text);
}

bool StartsStatus(std::string_view text) {
    const std::string_view head = text.substr(0, kApAccepted.size());
    return head == kApAccepted || head == kApRefused;
}

} // namespace

void ApReader::Reset() {
    m_base += m_stream.size();
    m_stream.clear();
    m_at = 0;
    m_answerOpen = false;
}

void ApReader::SkipUnread() {
    m_at = m_stream.size();
    m_answerOpen = false;
}

void ApReader::Compact() {
    m_base += m_at;
    m_stream.erase(0, m_at);
    m_at = 0;
}

bool ApReader::At(std::size_t p, std::string_view text) const {
    return std::string_view(m_stream).substr(p, text.size()) == text;
}

// A free-text answer runs to the next status code after its own first three bytes, or to the end of what
// has arrived.
std::size_t ApReader::AnswerEnd(std::size_t from) const {
    return StatusAt(std::min(from + kApAccepted.size(), m_stream.size()));
}

// The next status code at or after from; a start of one cut by the end of the read counts, its rest to come.
std::size_t ApReader::StatusAt(std::size_t from) const {
    for (std::size_t p = from; p < m_stream.size(); ++p)
        if (StartsStatus(std::string_view(m_stream).substr(p)) ||
            IsCutStatus(std::string_view(m_stream).substr(p)))
            return p;
    return m_stream.size();
}

std::size_t ApReader::StatusAnswerEnd(std::size_t from) const {
    if (StartsStatus(std::string_view(m_stream).substr(from))) {
        const std::size_t code = from + kApAccepted.size();
        if (code < m_stream.size() && !IsSeparator(m_stream[code])) return code;
    }
    return AnswerEnd(from);
}

ApReader::Piece ApReader::Take(Kind kind, std::size_t end) {
    Piece piece{kind, m_stream.substr(m_at, end - m_at)};
    m_at = end;
    return piece;
}

ApReader::Piece ApReader::Next(ApAnswerForm form, std::uint64_t sentAt, bool listStarted) {
    // Bytes that were there before the command went out answer something earlier, or nothing.
    if (m_base + m_at < sentAt) {
        m_at = static_cast<std::size_t>(std::min<std::uint64_t>(sentAt - m_base, m_stream.size()));
        m_answerOpen = false;
        return {Kind::Stray, "AP: bytes from before the command ignored"};
    }
    while (m_at < m_stream.size() && IsSeparator(m_stream[m_at]))
        ++m_at;
    if (m_at >= m_stream.size()) return {Kind::NeedMore, {}};
    const std::string_view rest = std::string_view(m_stream).substr(m_at);
    if (m_answerOpen && form != ApAnswerForm::Filter) {
        // The free-text answer taken last ended with a read: what follows up to the next status code is its
        // rest (cut by the network), not the start of the next answer.
        if (IsCutStatus(rest)) return {Kind::NeedMore, {}};
        m_answerOpen = false;
        if (!StartsStatus(rest)) {
            m_at = StatusAt(m_at);
            m_answerOpen = m_at >= m_stream.size();
            return {Kind::Stray, "AP: the rest of an answer read before"};
        }
    }
    if (form == ApAnswerForm::List) return TakeList(listStarted);
    // One answer over several reads is one answer: a status cut short waits for its rest.
    if (IsCutStatus(rest)) return {Kind::NeedMore, {}};
    if (form == ApAnswerForm::Status) return Take(Kind::Status, StatusAnswerEnd(m_at));
    const std::size_t end = AnswerEnd(m_at);
    m_answerOpen = end == m_stream.size();
    return Take(Kind::Filter, end);
}

// List entries up to the end entry: the acceptance code, four bytes not examined, a MAC text. An entry
// counts only in the list's rhythm, followed (after any separators) by the next entry's code: a stray
// acceptance in front of an entry would otherwise shift it into a row the AP never had, whatever four
// bytes the AP puts before its MACs. An entry whose follower has not come yet waits for it.
ApReader::Piece ApReader::TakeList(bool listStarted) {
    constexpr std::size_t kEntrySize = kApEntryMacOffset + kApEntryTextLength;
    for (;;) {
        while (m_at < m_stream.size() && IsSeparator(m_stream[m_at]))
            ++m_at;
        if (m_at >= m_stream.size()) return {Kind::NeedMore, {}};
        const std::string_view rest = std::string_view(m_stream).substr(m_at);
        if (IsCutStatus(rest)) return {Kind::NeedMore, {}};
        if (!At(m_at, kApAccepted)) {
            // Bytes between entries that start no entry are skipped; an answer that does not begin as a
            // list is the request's answer all the same, and no list.
            if (!listStarted) return Take(Kind::NotList, StatusAnswerEnd(m_at));
            ++m_at;
            continue;
        }
        if (rest.size() < kEntrySize) return {Kind::NeedMore, {}};
        const std::string_view text = rest.substr(kApEntryMacOffset, kApEntryTextLength);
        if (text == kApListEndText) {
            m_at += kEntrySize;
            return {Kind::ListEnd, {}};
        }
        if (common::IsSpacedMacText(text)) {
            std::size_t next = kEntrySize;
            while (next < rest.size() && IsSeparator(rest[next]))
                ++next;
            const std::string_view follower = rest.substr(next, kApAccepted.size());
            if (follower.size() < kApAccepted.size() && kApAccepted.substr(0, follower.size()) == follower)
                return {Kind::NeedMore, {}};
            if (follower == kApAccepted) {
                m_at += kEntrySize;
                return {Kind::Entry, std::string(text)};
            }
        }
        // The acceptance of some other answer read together with the list: no row the AP never had.
        m_at += kApAccepted.size();
    }
}

ApListRead ReadListAnswer(std::string_view bytes) {
    ApReader reader;
    reader.Append(bytes);
    ApListRead read;
    for (;;) {
        const ApReader::Piece piece = reader.Next(ApAnswerForm::List, 0, !read.entries.empty());
        if (piece.kind == ApReader::Kind::Entry) {
            read.entries.push_back(piece.text);
        } else {
            read.ended = piece.kind == ApReader::Kind::ListEnd;
            return read;
        }
    }
}

} // namespace aplink
