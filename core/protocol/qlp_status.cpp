#include <cstdio>

#include "core/protocol/qlp_types.h"
#include "core/protocol/zum_codec.h"

std::string exchangeStatusText(int status) {
    switch (status) {
    case kExchangeSuccess: return "Success.";
    case kExchangeReadFault: return "Read Fault!";
    case kExchangeWriteFault: return "Write Fault!";
    case kExchangeTimeout: return "Timeout!";
    case kExchangeFunctionError: return "Function Code Reply Error!";
    case kExchangeCommandError: return "Command Code Reply Error!";
    case kExchangeChannelError: return "Channel Error!";
    case kExchangeValueAmountError: return "Value Amount Error!";
    case kExchangeValueCompareError: return "Value Compare Error!";
    case kExchangeError: return "Error!";
    default: return "";
    }
}

std::string qlpReplyText(int code) {
    switch (code) {
    case 0xF0: return "Success";
    case 0xF1: return "Offline";
    case 0xF2: return "None Value";
    case 0xF3: return "Read Only";
    case 0xF4: return "Write Only";
    case 0xF5: return "Connect Error";
    case 0xF6: return "Code Error";
    case 0xF7: return "None Device";
    case 0xF8: return "None Mode";
    case 0xF9: return "None Function";
    case 0xFA: return "None Command";
    case 0xFB: return "None Channel";
    default: return "";
    }
}

std::string qlpReplyAlert(int code) {
    switch (code) {
    case 0xF1: return "Off Line!";
    case 0xF2: return "None Value!";
    case 0xF3: return "Read Only!";
    case 0xF4: return "Write Only!";
    case 0xF5: return "Connect Error!";
    case 0xF6: return "Code Error!";
    case 0xF7: return "None Device!";
    case 0xF8: return "None Mode!";
    case 0xF9: return "None Function!";
    case 0xFA: return "None Command!";
    case 0xFB: return "None Channel!";
    default: {
        char text[32];
        std::snprintf(text, sizeof text, "Function Error! = 0x%02X", static_cast<unsigned>(code) & 0xFFu);
        return text;
    }
    }
}
