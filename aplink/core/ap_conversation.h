// The AP conversation: which answers are awaited, what each operation does with its answers, and when an
// automatic configuration ends; no Windows header. The dialog feeds it events and carries out its calls.
//
// What each operation sends, and what each answer (read off the stream by ApReader, in the order the
// commands went out) leads to; the boxes are ApBox's. "accepted" is the acceptance code, "refused" the
// refusal code; a filter answer is free text and accepts unless it is the refusal. Every command but the
// filter-on command waits kCommandWaitMs first. A box pumps messages: an operation whose box was open
// while another began goes no further.
//
// clang-format off
// | operation (button)      | sends                     | answer    | then                                 |
// |-------------------------|---------------------------|-----------|--------------------------------------|
// | AddMacs (1021),         | fff0 with the VCI's MAC   | accepted  | fff0 with the PC's MAC; without one  |
// | StartAdds (a run)       | (if there is one)         |           | nothing (a run: NoPcMac, list read)  |
// |                         | fff0 with the PC's MAC    | accepted  | RegisterDone (not in a run), list    |
// |                         |                           | refused   | RegisterFailed; a run ends           |
// |                         |                           | other     | RegisterError; a run ends            |
// | WriteVciMac (1001)      | fff0 with the VCI's MAC   | as above  | as above; the pending value stays    |
// | StartDeleteRun (1018,   | fff1 for each ticked row, | accepted  | the next ticked row, or              |
// | 1017)                   | one per answer            |           | DeleteRestUnticked or                |
// |                         |                           |           | DeletePastLastRow, and a list read   |
// |                         | (none ticked: nothing)    |           | DeleteNoneTicked, list read          |
// |                         |                           | refused   | DeleteFailed / DeleteError; the rows |
// |                         |                           | or other  | the AP deleted leave the list        |
// | DeleteOne (1003)        | fff1 for the selected row | as above  | the last run's scan carries on       |
// | ReadList (1002; after   | fff3                      | entries   | rows                                 |
// | an add or delete run)   |                           | end entry | ReadCompleted; a run: fff6, AutoDone |
// |                         |                           | no list   | FilterAnswer with it; a run ends     |
// | SendFilter (1011, 1012) | fff5 00 / fff5 01         | any       | FilterAnswer with it                 |
// | MacFilterSetting (1022) | fff5 as the radios say    | accepted  | fff6, SettingDone                    |
// |                         |                           | refused   | FilterAnswer with it                 |
// | ContinueAutoSetting     | reads both MACs, fff5 00, | accepted  | StartAdds with the MACs read now     |
// | (1016, connected)       | waits kAutoFilterWaitMs   | refused   | FilterAnswer with it; the run ends   |
// | Apply (1009), Send-     | fff6 / fff4               | none      | -                                    |
// | CloseRequest (1008)     |                           |           |                                      |
// clang-format on
//
// Any owed answer past kApAnswerTimeoutMs (a list: since its last entry), or more than kApMaxHeldBytes
// held while a box is open, puts the stream out of step: the operation that waited ends with NoAnswer,
// and the next button connects again and runs once connected. Cancel on the failed connect's box ends a
// run; a lost connection keeps it, and the next connect carries it on from its start.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "aplink/core/ap_command.h"
#include "aplink/core/ap_reader.h"
#include "aplink/core/ap_timings.h"
#include "common/core/ap_wire.h"
#include "common/core/mac_text.h"

namespace aplink {

// Answers still owed by the AP; past this many the oldest is forgotten and the stream is out of step. An
// AP that answers owes at most a handful.
inline constexpr std::size_t kApMaxAwaited = 64;

// The boxes the conversation shows; the dialog holds their texts.
enum class ApBox {
    NotConnected,
    RegisterDone,
    RegisterFailed,
    RegisterError, // with the answer
    DeleteNoneTicked,
    DeleteRestUnticked,
    DeletePastLastRow,
    DeleteFailed,
    DeleteError, // with the answer
    ReadCompleted,
    AutoDone,
    FilterAnswer, // with the answer
    SettingDone,
    NoPcMac,
    NoAnswer,
};

using ApMac = common::WireMac;

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
    // The check-list as a delete run sees it: its rows, whether one is ticked (or in the middle state),
    // and a row's text as the AP listed it.
    virtual int RowCount() = 0;
    virtual bool RowMarked(int row) = 0;
    virtual std::string RowText(int row) = 0;
    // Automatic configuration's first steps: the PC's and the VCI's MAC read now, the filter radios on
    // Enable. A read that failed gives no MAC.
    virtual ApMacs ReadMacsAndEnableFilter() = 0;
    // Closes the connection and connects again; the outcome comes as OnConnected or a failed connect.
    virtual void Reconnect() = 0;
    virtual std::uint64_t NowMs() = 0;

  protected:
    ~ApHost() = default;
};

class ApConversation {
  public:
    // The state the dialog names, read-only outside: m_nApCommand, m_bAutoSetting, m_bPcMacStep,
    // m_nListCount, m_nDeleteIndex.
    const int& Pending() const { return m_pending; }
    const int& AutoSetting() const { return m_autoSetting; }
    const int& PcMacStep() const { return m_pcMacStep; }
    const int& ListCount() const { return m_listCount; }
    const int& DeleteIndex() const { return m_deleteIndex; }

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
    std::size_t HeldBytes() const { return m_reader.Held(); }
    bool AwaitsLiveAnswer() const;
    bool OutOfStep() const { return m_outOfStep; }
    // An owed answer whose bound has passed at nowMs: OnTick has not run since.
    bool HasOverdue(std::uint64_t nowMs) const;

  private:
    // What a filter answer leads to beyond its own operation's rules.
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
    bool Resync(ApHost& host, std::function<void(ApHost&)> then);
    void Absorb(ApHost& host);
    bool SendCommand(ApHost& host, const std::string& command, unsigned waitMs);
    bool SendApply(ApHost& host);
    bool SendAwaited(ApHost& host, const std::string& command, unsigned waitMs, ApAnswerForm form,
                     Then then = Then::Nothing, int row = -1);
    bool SendFilterCommand(ApHost& host, bool on, Then then);
    bool SendDelete(ApHost& host, int row);
    void StartAdds(ApHost& host, const ApMacs& macs);
    bool SendAdd(ApHost& host, const std::optional<ApMac>& mac);
    void SendPcAdd(ApHost& host);
    void EndAutoWithoutPcMac(ApHost& host);
    void SendNextDelete(ApHost& host, ApBox doneBox);
    bool ShowAndStay(ApHost& host, ApBox box);
    void EndDeleteRun(ApHost& host);
    void EndRun() { m_autoSetting = 0; }
    void Fail(ApHost& host, ApBox box, std::string_view answer);
    void LoseStep(ApHost& host, const char* why, bool tell = false);
    void ResetStream();
    void Process(ApHost& host);
    void OnStatus(ApHost& host, const Awaited& a, std::string_view answer);
    void OnFilter(ApHost& host, const Awaited& a, std::string_view answer);
    void OnListEnd(ApHost& host);

    int m_pending = ApCmdNone;
    int m_autoSetting = 0;
    int m_pcMacStep = 0;
    int m_listCount = 0;
    int m_deleteIndex = 0;

    std::deque<Awaited> m_awaited;
    unsigned m_generation = 0;
    unsigned m_streamEpoch = 0; // a new stream since: whatever was being read is gone
    ApReader m_reader;
    bool m_processing = false;
    bool m_outOfStep = false;            // answers can no longer be matched: the next button connects again
    ApMacs m_macs;                       // the MACs of the registration under way
    std::vector<int> m_deletedRows;      // rows whose delete the AP accepted in the run under way
    std::function<void(ApHost&)> m_held; // a button's operation waiting for the connection
};

} // namespace aplink
