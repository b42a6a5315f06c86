#include "CommandLine.h"
#include "Replay.h"
#include "Server.h"
#include "WireText.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QTextStream>

using namespace pelorin;
using namespace pelorin::sim;

namespace {

void PrintWelcome(const Server& server, const CommandLine& commandLine, QTextStream& out) {
    const QString host = commandLine.options.listenAddress.toString();
    out << "pelorin-sim: serving \"" << server.plant().name << "\" (" << server.plant().pictures.size()
        << " pictures)\n"
        << "  picture link port: " << server.framedPort() << "\n"
        << "  terminal port:     " << server.terminalPort() << "\n"
        << "  connect with:      ServerAddress=" << host << ":" << server.framedPort() << "\n"
        << "  data folder:       " << commandLine.options.dataFolder << "\n"
        << "  users (visa / password, access level, name):\n";
    for (const User& user : server.users().users())
        out << "    " << FromLatin1(user.visa) << " / " << FromLatin1(user.password) << ", level "
            << user.level << ", " << FromLatin1(user.name) << "\n";
    out << "  pictures:\n";
    for (const auto& [number, picture] : server.plant().pictures)
        out << "    " << number << "  " << picture.title << "\n";
    out.flush();
}

int Replay(const CommandLine& commandLine, QTextStream& out, QTextStream& err) {
    const CaptureContents capture = ReadCaptureFile(commandLine.replayFile);
    if (!capture.error.isEmpty())
        err << "pelorin-sim: " << commandLine.replayFile << ": " << capture.error
            << (capture.records.empty() ? "" : "; replaying the records before it") << "\n";
    ReplayScript script;
    QString error;
    if (!BuildReplayScript(capture.records, script, &error)) {
        err << "pelorin-sim: " << commandLine.replayFile << ": " << error << "\n";
        return 1;
    }
    ReplayServer server(commandLine.options, std::move(script), commandLine.replaySpeed);
    server.setInStep(commandLine.replayInStep);
    if (!server.start(&error)) {
        err << "pelorin-sim: " << error << "\n";
        return 1;
    }
    err.flush();
    out << "pelorin-sim: replaying " << commandLine.replayFile << " (" << capture.records.size()
        << " records) at " << commandLine.replaySpeed << " times its pace"
        << (commandLine.replayInStep ? ", each answer after its request\n" : "\n")
        << "  picture link port: " << server.framedPort() << "\n"
        << "  terminal port:     " << server.terminalPort() << "\n"
        << "  log in with any visa and password\n";
    out.flush();
    return QCoreApplication::exec();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pelorin-sim"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    CommandLine commandLine;
    QString message;
    switch (ParseCommandLine(QCoreApplication::arguments(), commandLine, &message)) {
    case CommandLineResult::Help:
        out << message;
        return 0;
    case CommandLineResult::Error:
        err << "pelorin-sim: " << message << "\n";
        return 2;
    case CommandLineResult::Run:
        break;
    }
    if (commandLine.verbose)
        QLoggingCategory::setFilterRules(QStringLiteral("pelorin.link.debug=true"));

    if (!commandLine.replayFile.isEmpty())
        return Replay(commandLine, out, err);
    if (commandLine.checkOnly)
        commandLine.options.framedPort = commandLine.options.terminalPort = 0;
    Server server(commandLine.options);
    QString error;
    if (!server.start(&error)) {
        err << "pelorin-sim: " << error << "\n";
        return 1;
    }
    for (const QString& warning : server.plant().warnings)
        err << "pelorin-sim: warning: " << warning << "\n";
    err.flush();
    if (commandLine.checkOnly) {
        out << "pelorin-sim: plant and users are fine\n";
        return 0;
    }
    PrintWelcome(server, commandLine, out);
    return app.exec();
}
