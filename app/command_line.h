// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace tintoral {

// What the command line of `tintoral` asks for.
struct CommandLine {
    enum class Action { Run, Help, Version, ListScreens, Error };
    Action action = Action::Run;
    QString screenName;                 // empty: the primary monitor
    std::optional<std::int32_t> test;   // the mode code to start with; none: black
    bool displayNamed = false;          // -platform or -display given: no need for DISPLAY
    QString error;                      // one line naming the option and what it takes
};

// Parses the whole argument list (the program's name first). Qt's own options
// (-platform NAME, -display D, -style S, ...) are accepted and left to Qt.
// Needs no QCoreApplication and no display.
CommandLine parseCommandLine(const QStringList &arguments);

extern const char *const kUsage;

} // namespace tintoral
