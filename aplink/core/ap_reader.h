// The AP's answers as they come off its one stream: statuses, free text, list entries; no Windows header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace aplink {

// How an awaited answer is read off the stream.
enum class ApAnswerForm { Status, List, Filter };

// The stream of one connection and where its reading stands. The AP separates its answers by nothing:
// a status is its three characters (a remark after a blank belongs to it, text right behind it is the next
// answer), free text runs to the next status code, and a list is entries up to the end entry.
class ApReader {
  public:
    enum class Kind {
        NeedMore, // the answer is not whole yet: read again once more bytes came
        Stray,    // bytes that answer nothing awaited (text: why)
        Status,   // a status answer (text: it)
        Filter,   // a free-text answer (text: it)
        Entry,    // one list entry (text: its MAC text)
        ListEnd,  // the list's end entry
        NotList,  // the answer to a list request is no list (text: it)
    };
    struct Piece {
        Kind kind;
        std::string text;
    };

    void Append(std::string_view bytes) { m_stream.append(bytes); }
    // A new stream: what was held is dropped.
    void Reset();
    // Bytes received since the first stream; a command sent now answers at this offset or later.
    std::uint64_t Offset() const { return m_base + m_stream.size(); }
    std::size_t Held() const { return m_stream.size(); }
    bool HasUnread() const { return m_at < m_stream.size(); }
    // Takes the next piece of an answer in `form` to a command that went out at stream offset sentAt;
    // listStarted: entries of this list have come already.
    Piece Next(ApAnswerForm form, std::uint64_t sentAt, bool listStarted);
    // Nobody awaits what is unread: it is dropped.
    void SkipUnread();
    // Drops what has been taken.
    void Compact();

  private:
    bool At(std::size_t p, std::string_view text) const;
    std::size_t AnswerEnd(std::size_t from) const;
    std::size_t StatusAnswerEnd(std::size_t from) const;
    std::size_t StatusAt(std::size_t from) const;
    Piece TakeList(bool listStarted);
    Piece Take(Kind kind, std::size_t end);

    std::string m_stream;      // bytes received and not yet dropped
    std::uint64_t m_base = 0;  // stream offset of m_stream[0]
    std::size_t m_at = 0;      // first byte not yet taken
    bool m_answerOpen = false; // the free-text answer taken last ran to the end of what had arrived
};

// A whole list answer read as the program reads it: its entries, and whether its end entry came.
struct ApListRead {
    std::vector<std::string> entries;
    bool ended = false;
};
ApListRead ReadListAnswer(std::string_view bytes);

} // namespace aplink
