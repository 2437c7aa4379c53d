// SPDX-License-Identifier: MIT
#include "app/command_line.h"

#include <QCommandLineParser>

#include <algorithm>

namespace tintoral {

const char *const kUsage =
    "usage: tintoral [--screen NAME] [--test CODE]\n"
    "       tintoral --list-screens | --help | --version\n"
    "Shows full-screen test patterns for checking and adjusting a display. With no\n"
    "option it starts black on the primary monitor; Escape or the right mouse button\n"
    "brings up the Select Test window.\n"
    "  --screen NAME    start full screen on the monitor NAME instead of the primary\n"
    "                   one (names as --list-screens shows them)\n"
    "  --test CODE      start showing test CODE, 0..24 (the codes of tintoral-render\n"
    "                   --mode), as if chosen in the Select Test window\n"
    "  --list-screens   list the monitors, one a line: name, WIDTHxHEIGHT+X+Y in\n"
    "                   device pixels, scale, twips per pixel, primary or secondary,\n"
    "                   and whether patterns reach it exactly\n"
    "  -h, --help       show this help\n"
    "  --version        show the version\n"
    "A repeated option takes its last value. Qt's own options such as -platform NAME\n"
    "and -display DISPLAY are taken too.\n"
    "Exit status: 0 when done, 1 without a display, 2 for a bad option.\n";

namespace {

// The options that Qt's application object, its widgets and its X11 plugin
// take from the command line; they must not count as unknown here.
const char *const kQtOptionsWithValue[] = {"platform", "platformpluginpath", "platformtheme", "plugin",
    "qwindowgeometry", "geometry", "qwindowtitle", "title", "qwindowicon", "icon", "session", "style",
    "stylesheet", "display", "name", "visual", "qmljsdebugger"};
const char *const kQtFlags[] = {"reverse", "testability", "widgetcount", "nograb", "dograb"};

// A mode code: plain decimal digits, 0..24.
std::optional<std::int32_t> modeCode(const QString &text)
{
    if (text.isEmpty() || text.size() > 2
        || !std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return std::nullopt;
    const int code = text.toInt();
    return code <= 24 ? std::optional<std::int32_t>(code) : std::nullopt;
}

} // namespace

CommandLine parseCommandLine(const QStringList &arguments)
{
    CommandLine result;
    const auto fail = [&](const QString &message) {
        result.action = CommandLine::Action::Error;
        result.error = message;
        return result;
    };

    QCommandLineParser parser;
    // "-platform xcb" is one option with a value, as Qt reads it.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{"h", "help"}), version(QStringLiteral("version")),
        list(QStringLiteral("list-screens")), screen(QStringLiteral("screen"), QString(), QStringLiteral("NAME")),
        test(QStringLiteral("test"), QString(), QStringLiteral("CODE"));
    parser.addOptions({help, version, list, screen, test});
    QStringList qtNames;
    for (const char *name : kQtOptionsWithValue) {
        QCommandLineOption o(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        o.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(o);
    }
    for (const char *name : kQtFlags) {
        QCommandLineOption o(QString::fromLatin1(name));
        o.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(o);
    }

    if (!parser.parse(arguments.isEmpty() ? QStringList{QStringLiteral("tintoral")} : arguments)) {
        // The option as it was written, without its value.
        const auto written = [&](const QString &name) {
            for (const QString &a : arguments.mid(1)) {
                const QString option = a.section(u'=', 0, 0);
                if (option == u'-' + name || option == QStringLiteral("--") + name)
                    return option;
            }
            return name;
        };
        if (!parser.unknownOptionNames().isEmpty())
            return fail(QStringLiteral("unknown option '%1'; the options are --screen NAME, --test CODE, "
                                       "--list-screens, --help and --version")
                            .arg(written(parser.unknownOptionNames().first())));
        // Otherwise an option that takes a value came last, or a flag was given one.
        for (const QCommandLineOption *o : {&screen, &test})
            if (arguments.last() == written(o->names().first()))
                return fail(QStringLiteral("%1: missing value, expected %2")
                                .arg(arguments.last(), o == &screen ? QStringLiteral("a monitor name")
                                                                    : QStringLiteral("a test code from 0 to 24")));
        return fail(parser.errorText());
    }
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unexpected argument '%1'; the program takes options only (see --help)")
                        .arg(parser.positionalArguments().first()));

    if (parser.isSet(screen)) {
        result.screenName = parser.value(screen);
        if (result.screenName.isEmpty())
            return fail(QStringLiteral("--screen: expected a monitor name (see --list-screens), got an empty value"));
    }
    if (parser.isSet(test)) {
        result.test = modeCode(parser.value(test));
        if (!result.test)
            return fail(QStringLiteral("--test: expected a test code from 0 to 24, got '%1'").arg(parser.value(test)));
    }
    result.displayNamed = parser.isSet(QStringLiteral("platform")) || parser.isSet(QStringLiteral("display"));
    if (parser.isSet(help))
        result.action = CommandLine::Action::Help;
    else if (parser.isSet(version))
        result.action = CommandLine::Action::Version;
    else if (parser.isSet(list))
        result.action = CommandLine::Action::ListScreens;
    return result;
}

} // namespace tintoral
