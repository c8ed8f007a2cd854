// Numbers shared by the transfer engines and whoever follows them: the
// notification codes with their values, protocol numbers, results, error
// checking numbers and the file error kinds.
#pragma once

namespace kestrelon {

// Notification codes (value meaning in the comment).
constexpr int TRANSFER_RESULT = 1;          // ETransferResult; always the last one
constexpr int TRANSFER_FILE_PATH = 2;       // path of the file being received (YModem)
constexpr int TRANSFER_FILE_LENGTH = 3;     // file length in bytes
constexpr int TRANSFER_ERROR_CHECK = 4;     // ERROR_CHECK_*
constexpr int TRANSFER_REPETITIONS = 5;     // repetitions in a row
constexpr int TRANSFER_REPETITIONS_ALL = 6; // repetitions in total
constexpr int TRANSFER_BYTES = 7;           // bytes transferred so far
constexpr int TRANSFER_STARTED = 8;         // 0
constexpr int TRANSFER_THROUGHPUT = 9;      // bytes per second
constexpr int TRANSFER_PROTOCOL = 10;       // PROTOCOL_*
constexpr int TRANSFER_FILE_ERROR = 11;     // FILE_ERROR_*
// A YModem file ended before the length its header announced: bytes written.
// The file is kept as it is; the batch goes on.
constexpr int TRANSFER_FILE_SHORT = 12;

// Protocol numbers, as stored in documents and shown in the protocol lists.
constexpr int PROTOCOL_XMODEM = 0;
constexpr int PROTOCOL_XMODEM_1K = 1;
constexpr int PROTOCOL_YMODEM = 2;
constexpr int PROTOCOL_NONE = 3;
constexpr int PROTOCOL_XMODEM_ZIM = 4;

// Values of TRANSFER_RESULT.
constexpr int RESULT_ENDED = 0; // ended quietly (user cancel, file error)
constexpr int RESULT_TIMEOUT = 1;
constexpr int RESULT_SUCCESS = 2;
constexpr int RESULT_CANCELLED = 3; // cancelled by the remote system
constexpr int RESULT_LINE_LOST = 4; // the line went away (device removed, peer closed)

// Values of TRANSFER_ERROR_CHECK.
constexpr int ERROR_CHECK_NONE = 0;
constexpr int ERROR_CHECK_CHECKSUM = 1;
constexpr int ERROR_CHECK_CRC = 2;

// Values of TRANSFER_FILE_ERROR.
constexpr int FILE_ERROR_OTHER = 0;
constexpr int FILE_ERROR_ACCESS = 1;
constexpr int FILE_ERROR_EMPTY = 2;

// Control bytes on the line.
constexpr unsigned char SOH = 0x01;
constexpr unsigned char STX = 0x02;
constexpr unsigned char EOT = 0x04;
constexpr unsigned char ACK = 0x06;
constexpr unsigned char NAK = 0x15;
constexpr unsigned char CAN = 0x18;
constexpr unsigned char CRC_REQUEST = 'C';

} // namespace kestrelon
