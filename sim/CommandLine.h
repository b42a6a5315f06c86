#pragma once

#include "SimContext.h"

#include <QString>
#include <QStringList>

namespace pelorin::sim {

struct CommandLine {
    ServerOptions options;
    bool verbose = false;
    // Load and check the plant and users, then exit.
    bool checkOnly = false;
    // Serve this capture instead of the plant, at this multiple of its recorded pace.
    QString replayFile;
    double replaySpeed = 1;
    // Each captured answer waits for the client's request before it (ReplayServer::setInStep).
    bool replayInStep = false;
};

enum class CommandLineResult { Run, Help, Error };

// Reads the executable's arguments (the first one is the program). For Help and Error, `message`
// holds the text to print.
CommandLineResult ParseCommandLine(const QStringList& arguments, CommandLine& out, QString* message);

} // namespace pelorin::sim
