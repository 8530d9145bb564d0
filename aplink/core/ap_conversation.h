// The AP conversation: which answers are awaited, what each operation does with its answers, and when an
// automatic configuration ends; no Windows header. The dialog feeds it events and carries out its calls.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "aplink/core/ap_command.h"
#include "aplink/core/ap_timings.h"
#include "common/core/mac_text.h"

namespace aplink {

// Answers still owed by the AP; past this many the oldest is forgotten, so a silent AP costs no memory. An
// AP that answers owes at most a handful; a user reaches this only by pressing buttons for a minute at an
// AP that answers nothing.
inline constexpr std::size_t kApMaxAwaited = 64;

// The boxes the conversation shows; the dialog holds their texts.
enum class ApBox {
    NotConnected,   // "AP에 연결되어 있지 않습니다."
    RegisterDone,   // "Mac 등록 완료"
    RegisterFailed, // "Mac 등록 실패"
    RegisterError,  // "Mac 등록 에러인데 멀까? : " and the answer
    DeleteDone1,    // "삭제 완료1"
    DeleteDone2,    // "삭제 완료2"
    DeleteDone3,    // "Mac 삭제 완료3"
    DeleteFailed,   // "Mac 삭제 실패"
    DeleteError,    // "Mac 삭제 에러인데 멀까? : " and the answer
    ReadCompleted,  // "Read Completed!!!"
    AutoDone,       // "자동 설정 완료"
    FilterAnswer,   // "응답 : " and the answer
    SettingDone,    // "설정 완료"
    NoPcMac,        // "PC MAC Address를 찾을 수 없습니다."
    NoAnswer,       // "AP에서 응답이 없습니다."
};

using ApMac = std::array<std::uint8_t, common::kMacBytes>;

// The MACs an add registers: each whole, or none.
struct ApMacs {
    std::optional<ApMac> vci;
    std::optional<ApMac> pc;
};

// What the conversation asks of the dialog. Each call is carried out at once; ShowBox pumps messages, so
// events may reach the conversation again while a box is open.
class ApHost {
  public:
    virtual bool HasSocket() = 0;
    // Waits without handling messages.
    virtual void Pause(unsigned ms) = 0;
    // What has reached the socket and not been read yet; called just before each send.
    virtual std::string TakeArrived() = 0;
    // Sends at once; false, after saying why, when it did not go out.
    virtual bool Send(const std::string& command) = 0;
    virtual void ShowBox(ApBox box, std::string_view answer) = 0;
    virtual void ClearRows() = 0;
    virtual void AddRow(std::string_view macText) = 0;
    // Takes these rows off the list; the others keep their order and ticks.
    virtual void RemoveRows(const std::vector<int>& rows) = 0;
    virtual void Trace(std::string_view line) = 0;
    // The MACs of the last successful reads (buttons 1021 and 1001).
    virtual ApMacs StoredMacs() = 0;
    // The check-list as a delete run sees it: whether a row is ticked (or in the middle state), and the
    // delete command of a row.
    virtual bool RowMarked(int row) = 0;
    virtual std::string DeleteCommand(int row) = 0;
    // Automatic configuration's first steps: the PC's and the VCI's MAC read now, the filter radios on
    // Enable. A read that failed gives no MAC.
    virtual ApMacs ReadMacsAndEnableFilter() = 0;
    // Closes the connection and connects again; the outcome comes as OnConnected or a failed connect.
    virtual void Reconnect() = 0;
    virtual std::uint64_t NowMs() = 0;

  protected:
    ~ApHost() = default;
};

// How an awaited answer is read off the stream.
enum class ApAnswerForm { Status, List, Filter };

class ApConversation {
  public:
    // The state the dialog names (m_nApCommand, m_bAutoSetting, m_bPcMacStep, m_nListCount,
    // m_nDeleteIndex refer to these).
    int pending = ApCmdNone;
    int autoSetting = 0;
    int pcMacStep = 0;
    int listCount = 0;
    int deleteIndex = 0;

    // Operations. A button's operation ends a running automatic configuration first: from then on the
    // user, not the run, decides what is sent. On a stream out of step a button's operation first connects
    // again and runs once connected.
    void AddMacs(ApHost& host);                   // OnAddMacToAp, with the stored MACs
    void WriteVciMac(ApHost& host);               // OnWriteMacToAp: the VCI's add, pending kept
    void StartDeleteRun(ApHost& host);            // OnDeleteSelectedMac, after the confirmation
    void DeleteOne(ApHost& host, int row);        // OnDeleteApMac: the selected entry
    void ReadList(ApHost& host, bool byUser);     // ReadApMacList (RefreshApMacList empties first)
    void SendFilter(ApHost& host, bool on);       // the hidden filter buttons: the answer shown
    void Apply(ApHost& host);                     // fff6, not answered
    void SendCloseRequest(ApHost& host);          // fff4, not answered
    void MacFilterSetting(ApHost& host, bool on); // filter; once accepted, apply and "설정 완료"
    void BeginAutoSetting();                      // OnAutoSetting: the run is on
    void ContinueAutoSetting(ApHost& host);       // connected: MACs, filter on, wait, add

    // The socket's events.
    void OnConnected(ApHost& host); // a new stream: nothing owed; carries a run or a waiting operation on
    void OnClosed();                // the stream is gone, and every answer it owed
    void OnConnectCancelled();      // the user gave up connecting: nothing waits for the connection
    void OnReceived(ApHost& host, const char* data, std::size_t size);
    // Ends the operations whose answer is overdue; called from a timer.
    void OnTick(ApHost& host);

    std::size_t AwaitedCount() const { return m_awaited.size(); }
    std::size_t HeldBytes() const { return m_stream.size(); }
    bool AwaitsLiveAnswer() const;
    bool OutOfStep() const { return m_outOfStep; }
    // An owed answer of the current operation whose bound has passed at nowMs: OnTick has not run since.
    bool HasOverdue(std::uint64_t nowMs) const;

  private:
    // What an answer leads to beyond its own operation's rules.
    enum class Then { Nothing, Show, Apply, RunAdds };
    // A button's operation held back until the connection is made again.
    enum class Op {
        None,
        Add,
        WriteVci,
        DeleteRun,
        DeleteOne,
        ReadList,
        Filter,
        Apply,
        Close,
        FilterSetting
    };

    struct Awaited {
        ApAnswerForm form;
        int op;                 // the pending value it was sent under
        unsigned generation;    // the operation it belongs to
        Then then;              // for a filter answer: what its acceptance leads to
        std::uint64_t sentAt;   // stream offset when it went out: bytes before it answer nothing
        std::uint64_t deadline; // NowMs() past which it is overdue
        int row = -1;           // a delete: the check-list row it deletes
        bool started = false;   // a list of which entries have come
    };

    void Begin(int op);
    bool Live(const Awaited& a) const;
    bool RequireSocket(ApHost& host);
    bool Resync(ApHost& host, Op op, bool flag = false, int row = -1);
    void RunHeld(ApHost& host);
    bool SendCommand(ApHost& host, const std::string& command, unsigned waitMs);
    bool SendApply(ApHost& host);
    bool SendAwaited(ApHost& host, const std::string& command, unsigned waitMs, ApAnswerForm form,
                     Then then = Then::Nothing, int row = -1);
    bool SendFilterCommand(ApHost& host, bool on, Then then);
    void StartAdds(ApHost& host, const ApMacs& macs);
    bool SendAdd(ApHost& host, const std::optional<ApMac>& mac);
    void SendPcAdd(ApHost& host);
    void EndAutoWithoutPcMac(ApHost& host);
    void SendNextDelete(ApHost& host, ApBox doneBox);
    void EndDeleteRun(ApHost& host);
    void EndRun();
    void Fail(ApHost& host, ApBox box, std::string_view answer);
    void LoseStep(ApHost& host, const char* why);
    void ResetStream();
    void Process(ApHost& host);
    // Each takes one answer (or what the stream holds of it) from m_stream at m_at; false when more
    // bytes are needed first.
    bool TakeStatus(ApHost& host, const Awaited& a);
    bool TakeFilter(ApHost& host, const Awaited& a);
    bool TakeList(ApHost& host, Awaited& a);
    void OnStatus(ApHost& host, const Awaited& a, std::string_view answer);
    void OnFilter(ApHost& host, const Awaited& a, std::string_view answer);
    void OnListEnd(ApHost& host);
    std::size_t AnswerEnd(std::size_t from) const;
    std::size_t StatusAnswerEnd(std::size_t from) const;
    std::size_t StatusAt(std::size_t from) const;
    std::uint64_t Offset() const { return m_base + m_stream.size(); }
    void Absorb(ApHost& host);

    std::deque<Awaited> m_awaited;
    unsigned m_generation = 0;
    unsigned m_streamEpoch = 0; // a new stream since: whatever was being read is gone
    std::string m_stream;       // bytes received and not yet taken
    std::uint64_t m_base = 0;   // stream offset of m_stream[0]
    std::size_t m_at = 0;
    bool m_processing = false;
    bool m_answerOpen = false;      // the filter answer taken last ran to the end of what had arrived
    bool m_outOfStep = false;       // answers can no longer be matched: the next button connects again
    ApMacs m_macs;                  // the MACs of the registration under way
    std::vector<int> m_deletedRows; // rows whose delete the AP accepted in the run under way
    struct Held {
        Op op = Op::None;
        bool flag = false;
        int row = -1;
    } m_held;
};

} // namespace aplink
