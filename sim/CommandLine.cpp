#include "CommandLine.h"

#include <QCommandLineParser>
#include <QStandardPaths>
#include <QTime>

namespace pelorin::sim {

namespace {

struct NumberOption {
    QString name;
    double min;
    double max;
};

bool ReadNumberOption(const QCommandLineParser& parser, const NumberOption& option, double& out,
                      QString* message) {
    if (!parser.isSet(option.name))
        return true;
    bool ok = false;
    const double value = parser.value(option.name).toDouble(&ok);
    if (!ok || value < option.min || value > option.max) {
        *message = QStringLiteral("--%1 must be a number from %2 to %3")
                       .arg(option.name)
                       .arg(option.min)
                       .arg(option.max);
        return false;
    }
    out = value;
    return true;
}

} // namespace

CommandLineResult ParseCommandLine(const QStringList& arguments, CommandLine& out, QString* message) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Picture server simulator: serves the demo plant (or the plant in --plant) to the operator "
        "client on the picture link port and the system-dialog terminal port."));
    const auto helpOption = parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("port"), QStringLiteral("Picture link port; 0 picks a free one (default 2001)."),
         QStringLiteral("port")},
        {QStringLiteral("terminal-port"),
         QStringLiteral("System-dialog terminal port; 0 picks a free one (default 2002)."),
         QStringLiteral("port")},
        {QStringLiteral("listen"),
         QStringLiteral("Address to listen on (default 127.0.0.1; 0.0.0.0 for all)."),
         QStringLiteral("address")},
        {QStringLiteral("plant"),
         QStringLiteral("Plant folder with plant.json and pictures/*.json (default: the demo plant)."),
         QStringLiteral("folder")},
        {QStringLiteral("users"), QStringLiteral("Users file (JSON; default: the demo users)."),
         QStringLiteral("file")},
        {QStringLiteral("data"), QStringLiteral("Data folder for logbooks and function texts."),
         QStringLiteral("folder")},
        {QStringLiteral("interval"), QStringLiteral("Value update interval in milliseconds (default 1000)."),
         QStringLiteral("ms")},
        {QStringLiteral("seed"), QStringLiteral("Random seed, for repeatable runs (default 1)."),
         QStringLiteral("n")},
        {QStringLiteral("speed"),
         QStringLiteral("Simulated seconds per real second (default 60); with --replay, the replay's pace "
                        "(default 1, the recorded pace)."),
         QStringLiteral("factor")},
        {QStringLiteral("replay"),
         QStringLiteral(
             "Serve a capture file back to a client instead of the plant: the captured login reply, "
             "then the captured frames and terminal output at their recorded pace."),
         QStringLiteral("file")},
        {QStringLiteral("in-step"),
         QStringLiteral("With --replay: each captured frame waits until the client has sent as many requests "
                        "as the captured client had, then comes as long after the last one as it did then "
                        "(for clients that repeat the captured session, such as the demo tour).")},
        {QStringLiteral("start-time"), QStringLiteral("Simulated time of day at start (default 08:00)."),
         QStringLiteral("hh:mm")},
        {QStringLiteral("channels"), QStringLiteral("Number of system-dialog channels (default 2)."),
         QStringLiteral("n")},
        {QStringLiteral("max-connections"),
         QStringLiteral("Picture link connections served at once (default 1000)."), QStringLiteral("n")},
        {QStringLiteral("max-per-address"),
         QStringLiteral("Picture link connections one address may hold at once; more from it are refused "
                        "(default: half of --max-connections, rounded up)."),
         QStringLiteral("n")},
        {QStringLiteral("stall-after-login"),
         QStringLiteral("Failure injection: each picture link connection stops reading and sending this "
                        "long after its login, as a hung server does, and stays open."),
         QStringLiteral("ms")},
        {QStringLiteral("flood-values"),
         QStringLiteral("Failure injection: values a second sent to each client for the picture it shows, "
                        "on top of those that change (as many as the client takes, up to this rate)."),
         QStringLiteral("rate")},
        {QStringLiteral("terminal-burst"),
         QStringLiteral("Failure injection: bytes of text sent to each system-dialog terminal after its "
                        "banner, as fast as the client takes them."),
         QStringLiteral("bytes")},
        {QStringLiteral("verbose"), QStringLiteral("Trace every frame to stderr.")},
        {QStringLiteral("check"), QStringLiteral("Load and check the plant and users, then exit.")},
    });
    if (!parser.parse(arguments)) {
        *message = parser.errorText();
        return CommandLineResult::Error;
    }
    if (parser.isSet(helpOption)) {
        *message = parser.helpText();
        return CommandLineResult::Help;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *message = QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().first());
        return CommandLineResult::Error;
    }

    ServerOptions& options = out.options;
    double port = 2001, terminalPort = 2002, interval = options.updateIntervalMs, seed = options.seed,
           channels = options.channels, maxConnections = options.maxConnections, maxPerAddress = 0,
           stallAfterLogin = options.stallAfterLoginMs, floodRate = options.floodValuesPerSecond,
           terminalBurst = static_cast<double>(options.terminalBurstBytes);
    if (!ReadNumberOption(parser, {QStringLiteral("port"), 0, 65535}, port, message) ||
        !ReadNumberOption(parser, {QStringLiteral("terminal-port"), 0, 65535}, terminalPort, message) ||
        !ReadNumberOption(parser, {QStringLiteral("interval"), 10, 3600000}, interval, message) ||
        !ReadNumberOption(parser, {QStringLiteral("seed"), 0, 4294967295.0}, seed, message) ||
        !ReadNumberOption(parser, {QStringLiteral("speed"), 0, 86400}, options.speed, message) ||
        !ReadNumberOption(parser, {QStringLiteral("channels"), 0, 100}, channels, message) ||
        !ReadNumberOption(parser, {QStringLiteral("max-connections"), 1, 100000}, maxConnections, message) ||
        !ReadNumberOption(parser, {QStringLiteral("max-per-address"), 1, 100000}, maxPerAddress, message) ||
        !ReadNumberOption(parser, {QStringLiteral("stall-after-login"), 0, 86400000}, stallAfterLogin,
                          message) ||
        !ReadNumberOption(parser, {QStringLiteral("flood-values"), 0, 10000000}, floodRate, message) ||
        !ReadNumberOption(parser, {QStringLiteral("terminal-burst"), 0, 1e12}, terminalBurst, message))
        return CommandLineResult::Error;
    options.framedPort = static_cast<quint16>(port);
    options.terminalPort = static_cast<quint16>(terminalPort);
    options.updateIntervalMs = static_cast<int>(interval);
    options.seed = static_cast<unsigned>(seed);
    options.channels = static_cast<int>(channels);
    options.maxConnections = static_cast<int>(maxConnections);
    if (parser.isSet(QStringLiteral("max-per-address")))
        options.maxConnectionsPerAddress = static_cast<int>(maxPerAddress);
    options.stallAfterLoginMs = static_cast<int>(stallAfterLogin);
    options.floodValuesPerSecond = static_cast<int>(floodRate);
    options.terminalBurstBytes = static_cast<int64_t>(terminalBurst);
    if (parser.isSet(QStringLiteral("start-time"))) {
        const QTime time =
            QTime::fromString(parser.value(QStringLiteral("start-time")), QStringLiteral("H:mm"));
        if (!time.isValid()) {
            *message = QStringLiteral("--start-time must be hh:mm");
            return CommandLineResult::Error;
        }
        options.startHour = time.hour() + time.minute() / 60.0;
    }
    if (parser.isSet(QStringLiteral("listen")) &&
        !options.listenAddress.setAddress(parser.value(QStringLiteral("listen")))) {
        *message = QStringLiteral("--listen needs an IP address");
        return CommandLineResult::Error;
    }
    options.plantFolder = parser.value(QStringLiteral("plant"));
    options.usersFile = parser.value(QStringLiteral("users"));
    options.dataFolder = parser.isSet(QStringLiteral("data"))
                             ? parser.value(QStringLiteral("data"))
                             : QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    out.replayFile = parser.value(QStringLiteral("replay"));
    if (!out.replayFile.isEmpty() && parser.isSet(QStringLiteral("speed"))) {
        if (options.speed <= 0) {
            *message = QStringLiteral("--speed must be above 0 with --replay");
            return CommandLineResult::Error;
        }
        out.replaySpeed = options.speed;
    }
    out.replayInStep = parser.isSet(QStringLiteral("in-step"));
    out.verbose = parser.isSet(QStringLiteral("verbose"));
    out.checkOnly = parser.isSet(QStringLiteral("check"));
    return CommandLineResult::Run;
}

} // namespace pelorin::sim
