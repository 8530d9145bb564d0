// The byte-fed VCI frame receiver and the reassembly of frames into messages.
#include "vcilink/core/frame_receiver.h"

#include <cstdio>
#include <cstring>

namespace vcilink {

void VciFrameReceiver::OnReceiveFrameData(std::span<const uint8_t> bytes) {
    const bool wasArmed = m_bByteTimerArmed;
    m_bByteStored = false;
    for (uint8_t b : bytes)
        ProcessByteData(b);
    // One timer call per block instead of per byte: the block was consumed at once, so re-arming now
    // still measures kVciByteTimeoutMs from the last stored byte.
    if (!m_pEvents) return;
    if (m_bByteTimerArmed && m_bByteStored)
        m_pEvents->OnArmByteTimeout();
    else if (wasArmed && !m_bByteTimerArmed)
        m_pEvents->OnCancelByteTimeout();
}

void VciFrameReceiver::ProcessByteData(uint8_t b) {
    switch (m_CommMode) {
    case VciCommMode::Idle:
        if (b == kVciStx) {
            KillTimer();
            m_RecveDataCouunter = 0;
            StoreByte(b);
            m_CommMode = VciCommMode::InFrame;
            ArmTimer();
        } else if (b != kVciEtx) {
            KillTimer();
        }
        return;

    case VciCommMode::InFrame: {
        if (static_cast<size_t>(m_RecveDataCouunter) >= kVciFrameBuffer) {
            // ETX never stood at LEN + 1 and the buffer is full: give the frame up and look at this
            // byte afresh, it may start the next frame.
            ++m_Stats.bufferOverruns;
            Trace("Frame overrun, dropped \r\n");
            DropFrame();
            ProcessByteData(b);
            return;
        }
        KillTimer();
        StoreByte(b);
        if (m_RecveDataCouunter < 3) {
            ArmTimer();
            return;
        }
        const size_t len = VciGetLe16(&m_RecvFrame[kVciIdxLen]);
        if (m_RecveDataCouunter == 3 && (len < kVciLenOverhead || len > kVciMaxLen)) {
            ++m_Stats.badLength;
            char line[96];
            std::snprintf(line, sizeof line, "Frame LEN %u dropped \r\n", static_cast<unsigned>(len));
            Trace(line);
            DropFrame();
            return;
        }
        if (b == kVciEtx && static_cast<size_t>(m_RecveDataCouunter - 1) == len + 1)
            m_CommMode = VciCommMode::Checksum;
        ArmTimer();
        return;
    }

    case VciCommMode::Checksum: {
        KillTimer();
        StoreByte(b); // index LEN + 2, inside the buffer because LEN <= kVciMaxLen
        const uint8_t sum = CalcCheckSum();
        m_RecveDataCouunter = 0;
        m_CommMode = VciCommMode::Idle;
        if (sum == b) {
            StoreFrameData();
            return;
        }
        // Nothing goes back to the VCI: the frame is dropped and a waiting reader times out. Its message
        // has lost a piece, so what was reassembled of it goes too; its later frames then make a message
        // whose length gives it away.
        ++m_Stats.checksumErrors;
        DropMessageBytes();
        char line[96];
        std::snprintf(line, sizeof line, "수신데이터 CheckSum 틀림 : %02X %02X \r\n", b, sum);
        Trace(line);
        Trace(b == 0x02 ? "NAK응답1 \r\n" : b == 0x03 ? "NAK응답2 \r\n" : "NAK응답6 \r\n");
        return;
    }
    }
}

void VciFrameReceiver::StoreByte(uint8_t b) {
    m_RecvFrame[m_RecveDataCouunter++] = b;
    m_bByteStored = true;
}

void VciFrameReceiver::DropFrame() {
    KillTimer();
    m_RecveDataCouunter = 0;
    m_CommMode = VciCommMode::Idle;
    DropMessageBytes();
}

void VciFrameReceiver::DropMessageBytes() {
    m_ReceiveFrameDataCounter = 0;
    m_bMessageTooLong = false;
}

void VciFrameReceiver::StoreFrameData() {
    const uint8_t mode = m_RecvFrame[kVciIdxMode];
    const uint8_t seq = m_RecvFrame[kVciIdxSeq];
    const size_t n = VciGetLe16(&m_RecvFrame[kVciIdxLen]) - kVciLenOverhead; // LEN >= 5, checked on arrival

    if ((mode & kVciModeRepeated) && seq == m_PrevSeqNum) {
        ++m_Stats.repeatedFrames;
    } else if (m_bMessageTooLong) {
        // the rest of a message already given up
    } else if (static_cast<size_t>(m_ReceiveFrameDataCounter) + n > kVciMaxMessage) {
        m_bMessageTooLong = true;
        m_ReceiveFrameDataCounter = 0;
        char line[96];
        std::snprintf(line, sizeof line, "Message longer than %zu bytes, dropped \r\n", kVciMaxMessage);
        Trace(line);
    } else {
        std::memcpy(&m_RecvMessage[m_ReceiveFrameDataCounter], &m_RecvFrame[kVciIdxData], n);
        m_ReceiveFrameDataCounter += static_cast<int>(n);
    }
    m_PrevSeqNum = seq;
    if (mode & kVciModeLastFrame) FinishMessage();
}

void VciFrameReceiver::FinishMessage() {
    // Every complete message is acknowledged, also one we cannot keep: the VCI has sent it properly.
    if (m_pEvents) m_pEvents->OnSendAck(kVciAck);
    const size_t n = static_cast<size_t>(m_ReceiveFrameDataCounter);
    if (m_bMessageTooLong) {
        ++m_Stats.oversizedMessages;
    } else if (n == 0) {
        // A repeated last frame whose message was already taken: nothing new to read.
        ++m_Stats.emptyMessages;
    } else if (n < 2 || VciGetLe16(m_RecvMessage) != n) {
        // The tail of a message that lost a frame, or bytes that are no message: never a reply.
        ++m_Stats.lengthMismatches;
        char line[96];
        std::snprintf(line, sizeof line, "Message of %u bytes says %u, dropped \r\n",
                      static_cast<unsigned>(n),
                      n < 2 ? 0u : static_cast<unsigned>(VciGetLe16(m_RecvMessage)));
        Trace(line);
    } else {
        m_Ring.Push({m_RecvMessage, n});
    }
    m_ReceiveFrameDataCounter = 0;
    m_CommMode = VciCommMode::Idle;
    m_bMessageTooLong = false;
}

void VciFrameReceiver::OnByteTimeout() {
    m_bByteTimerArmed = false;
    m_CommMode = VciCommMode::Idle;
    m_RecveDataCouunter = 0;
    DropMessageBytes();
    ++m_Stats.byteTimeouts;
    Trace("Byte Timeout \r\n");
}

void VciFrameReceiver::DiscardMessages() {
    m_Stats.discardedMessages += static_cast<uint32_t>(m_Ring.Count());
    m_Ring.Discard();
    DropFrame();
}

void VciFrameReceiver::ResetCommData() {
    m_Ring.ResetCommData();
    m_RecveDataCouunter = 0;
    m_ReceiveFrameDataCounter = 0;
    std::memset(m_RecvFrame, 0, sizeof m_RecvFrame);
    m_PrevSeqNum = 0;
    m_bMessageTooLong = false;
    m_CommMode = VciCommMode::Idle;
}

void VciFrameReceiver::ArmTimer() {
    m_bByteTimerArmed = true;
}
void VciFrameReceiver::KillTimer() {
    m_bByteTimerArmed = false;
}

void VciFrameReceiver::Trace(const char* text) {
    if (!m_pEvents) return;
    char line[160];
    std::snprintf(line, sizeof line, "%s%s", kVciTracePrefix, text);
    m_pEvents->OnTrace(line);
}

} // namespace vcilink
