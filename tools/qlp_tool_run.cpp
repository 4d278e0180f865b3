#include "tools/qlp_tool_run.h"

#include <cerrno>
#include <cstdio>
#include <system_error>

#include "core/panels/device_family.h"
#include "core/protocol/qlp_transaction.h"
#include "core/protocol/rd24_device_def.h"
#include "core/protocol/reply_receiver.h"
#include "core/protocol/zum_codec.h"
#include "core/protocol/zum_exchange.h"
#include "core/serial/port.h"
#include "core/util/non_copyable.h"
#include "tools/qlp_tool_detect.h"
#include "tools/stream_link_log.h"

namespace {

constexpr int kAnalogDecimals = 3;

struct Outcome {
    int status = kExchangeSuccess;
    std::string line; // printed on stdout
};

std::uint8_t byteArg(const QlpToolOptions& o, std::size_t i) { return static_cast<std::uint8_t>(o.args[i]); }

double convertedAnalog(const DeviceFamily& family, bool input, int type, std::int32_t raw) {
    Rd24Channel channel;
    if (input) {
        channel.adType = type;
        channel.adRaw = raw;
        family.ad_convert(channel);
        return channel.adValue;
    }
    channel.daType = type;
    channel.daRaw = raw;
    family.da_convert(channel);
    return channel.daValue;
}

Outcome runCommand(ZumLink& link, const QlpToolOptions& o, int typeIndex) {
    Outcome result;
    const DeviceFamily& family = *o.family;
    const PanelOperations& op = family.operations;
    const std::uint8_t id = byteArg(o, 0);
    switch (o.command) {
    case QlpToolCommand::kCheck:
        result.status = op.check(link, id);
        if (result.status == kExchangeSuccess) result.line = exchangeStatusText(result.status);
        break;
    case QlpToolCommand::kReadDi: {
        std::uint8_t state = 0;
        result.status = op.read_digital(link, id, state);
        if (result.status == kExchangeSuccess) result.line = qlpToolDigitalText(state, family.channel_count);
        break;
    }
    case QlpToolCommand::kWriteDo:
        result.status = op.write_digital_output(link, id, byteArg(o, 1), o.args[2]);
        if (result.status == kExchangeSuccess) result.line = exchangeStatusText(result.status);
        break;
    case QlpToolCommand::kReadAi:
    case QlpToolCommand::kReadAo: {
        const bool input = o.command == QlpToolCommand::kReadAi;
        std::int32_t raw = 0;
        if (input)
            result.status = op.read_analog_input(link, id, byteArg(o, 1), raw);
        else
            result.status = op.read_analog_output(link, id, byteArg(o, 1), raw);
        if (result.status != kExchangeSuccess) break;
        if (typeIndex < 0) {
            result.line = qlpToolAnalogText(raw);
        } else {
            const std::string unit = input ? rd24AdUnit(typeIndex) : rd24DaUnit(typeIndex);
            result.line = qlpToolAnalogText(raw, convertedAnalog(family, input, typeIndex, raw), unit);
        }
        break;
    }
    case QlpToolCommand::kWriteAo:
        result.status = op.write_analog_output(link, id, byteArg(o, 1), o.args[2]);
        if (result.status == kExchangeSuccess) result.line = exchangeStatusText(result.status);
        break;
    case QlpToolCommand::kRaw: {
        QlpCommand request{.valueCount = static_cast<std::int32_t>(o.args.size()) - 4,
                           .id = id,
                           .function = byteArg(o, 1),
                           .command = byteArg(o, 2),
                           .channel = byteArg(o, 3)};
        for (std::size_t i = 4; i < o.args.size(); ++i) request.values[i - 4] = o.args[i];
        QlpCommand reply;
        std::string message;
        result.status = link.Exchange(request, reply, message, kQlpExchangeBudgetMs);
        if (result.status == kExchangeSuccess || result.status == kExchangeFunctionError)
            result.line = qlpCommandText(reply);
        break;
    }
    case QlpToolCommand::kNone:
    case QlpToolCommand::kDetect: // run by qlpToolDetect
    case QlpToolCommand::kScan:
    case QlpToolCommand::kSet: break;
    }
    return result;
}

// The AD type (read-ai) or DA type (read-ao) named by --type; -1 if none is
// given, -2 if the name is not one.
int typeIndexOf(const QlpToolOptions& o) {
    if (o.type.empty()) return -1;
    if (o.command == QlpToolCommand::kReadAi) {
        const int index = rd24AdTypeIndex(o.type);
        return index != 0 || o.type == rd24AdTypeName(0) ? index : -2;
    }
    const int index = rd24DaTypeIndex(o.type);
    return index != 0 || o.type == rd24DaTypeName(0) ? index : -2;
}

} // namespace

std::string qlpToolDigitalText(int state, int channels) {
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02X", state & 0xFF);
    std::string text = hex;
    for (int ch = 0; ch < channels; ++ch)
        if (state & (1 << ch)) text += " " + std::to_string(ch);
    return text;
}

std::string qlpToolAnalogText(int raw) {
    return std::to_string(raw);
}

std::string qlpToolAnalogText(int raw, double value, const std::string& unit) {
    // Always three decimals, 0 included ("0.000"), so that scripts read one format.
    char number[64];
    std::snprintf(number, sizeof number, "%.*f", kAnalogDecimals, value);
    std::string text = std::to_string(raw) + " " + number;
    if (!unit.empty()) text += " " + unit;
    return text;
}

int qlpToolRun(Port& port, const QlpToolOptions& options, std::ostream& out, std::ostream& err) {
    const int typeIndex = typeIndexOf(options);
    if (typeIndex == -2) {
        err << "benchlink-qlp: --type: \"" << options.type << "\" is no "
            << (options.command == QlpToolCommand::kReadAi ? "AD" : "DA") << " type name\n";
        return kQlpToolUsage;
    }

    const ComportSetting line = options.line;
    const bool by_path = !options.path.empty();
    const ComportStatus status = by_path ? port.OpenPath(options.path, line) : port.Open(line);
    // No port at all (COM number 0) counts as opened, as in the window.
    const bool opened = status == kComportSuccess || (!by_path && status == kComportNoneSetup);
    if (!opened) {
        const std::string portName =
            by_path ? options.path : comport_port_name(line.port) + " (" + comport_device_path(line.port) + ")";
        err << "benchlink-qlp: " << portName << ": " << comport_status_text_of(status);
        if (const std::uint32_t error = port.LastError(); error != 0) err << " (" << port.OpenFailureReason(error) << ")";
        err << '\n';
        return kQlpToolPortFault;
    }

    if (qlpToolIsDetect(options.command)) {
        // The detect engine reads the port itself: no receive thread.
        const int code = qlpToolDetect(port, options, out);
        port.Close(line);
        return code;
    }

    StreamLinkLog log(err, options.monitor);
    ZumLink link(port);
    link.SetLinkLog(&log);
    Outcome outcome;
    {
        // Replies are caught into the FIFO while the command runs; other bytes go to the link log.
        ReplyReceiver receiving(link, kReceiveIdleWaitMs);
        outcome = runCommand(link, options, typeIndex);
    }
    link.SetLinkLog(nullptr);
    port.Close(line);

    // The result goes first: a script that reads it learns of the failure from the exit code.
    if (!outcome.line.empty()) out << outcome.line << '\n';
    if (outcome.status != kExchangeSuccess) {
        // An error reply's code says more than the status ("... = Read Only").
        std::string message = exchangeStatusText(outcome.status);
        if (outcome.status == kExchangeFunctionError && log.lastMessage().rfind(message + " = ", 0) == 0)
            message = log.lastMessage();
        err << message << '\n';
    }
    return outcome.status;
}

int qlpToolFinish(int code, std::ostream& out, std::ostream& err) {
    // A result that never reached its reader is no success (a full disk, a closed pipe).
    errno = 0;
    out.flush();
    if (out) return code;
    const int error = errno;
    err << "benchlink-qlp: standard output: "
        << (error != 0 ? std::generic_category().message(error) : std::string("write error")) << '\n';
    return kQlpToolOutputFault;
}
