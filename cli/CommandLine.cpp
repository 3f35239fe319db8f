#include "CommandLine.h"

#include "Texts.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace {

// Latin-1 maps each byte to one character and back: a path reaches the program byte for byte,
// UTF-8 or not.
std::string bytesOf(const QString& argument)
{
    return argument.toLatin1().toStdString();
}

const char* const kSummary
    = "Lists the mp3 files below a folder that none of the playlists names, and deletes them or moves\n"
      "them to the trash. The playlists may be M3U, M3U8, XSPF, PLS, WPL, ASX, B4S or Apple Music XML.\n"
      "\n"
      "Exit status: 0 done; 1 some files could not be removed; 2 bad arguments, or a playlist or\n"
      "folder that cannot be read; 3 the question was answered other than yes; 4 done, but some\n"
      "folders could not be read; 130 stopped by Ctrl+C.";

struct OptionText {
    const char* names; // separated by ","
    const char* help;
    const char* value; // the value's name; none for a switch
};

constexpr OptionText kOptions[] = {
    {"list", "Print the unwanted mp3 files, one a line.", nullptr},
    {"delete", "Delete them, after a question.", nullptr},
    {"trash", "Move them to the trash, after a question.", nullptr},
    {"base", "The folder to look in.", "DIR"},
    {"0,null", "End each path with a NUL byte, for xargs -0.", nullptr},
    {"format", "m3u8: print an M3U8 playlist, as Save List writes it.", "FORMAT"},
    {"from-list", "Only the paths in FILE (from --list -0, or a saved M3U8) that the scan still lists.", "FILE"},
    {"yes", "Ask no question.", nullptr},
    {"even-if-nothing-matches", "Go on when the playlists hardly name a file in the folder.", nullptr},
    {"remove-empty-folders", "Remove the folders left with nothing but thumbnails, .DS_Store files or cover images.",
     nullptr},
};

void addOptions(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QString::fromLatin1(kSummary));
    for (const OptionText& option : kOptions) {
        parser.addOption(QCommandLineOption(QString::fromLatin1(option.names).split(QLatin1Char(',')),
                                            QString::fromLatin1(option.help),
                                            option.value != nullptr ? QString::fromLatin1(option.value) : QString()));
    }
    // The window's "List every audio file" is not read: a script gets what its line says.
    parser.addOption(QCommandLineOption(
        QStringLiteral("all-audio"),
        QStringLiteral("Besides names with .mp3, list every file ending in %1 (any case); a cue sheet that a "
                       "playlist names keeps the files it names.")
            .arg(audioEndingsText())));
    parser.addPositionalArgument(QStringLiteral("PLAYLIST"), QStringLiteral("The playlists of the songs to keep."),
                                 QStringLiteral("PLAYLIST..."));
    parser.addHelpOption();
    parser.addVersionOption();
}

// What the parsed options ask for, once they make sense together.
std::optional<CommandLine> choices(const QCommandLineParser& parser, QString& error)
{
    const auto isSet = [&parser](const char* name) {
        return parser.isSet(QString::fromLatin1(name));
    };
    const int modes = int(isSet("list")) + int(isSet("delete")) + int(isSet("trash"));
    CommandLine line;
    line.mode = isSet("list") ? CommandLine::Mode::List
        : isSet("delete")     ? CommandLine::Mode::Delete
                              : CommandLine::Mode::Trash;
    line.baseDir = bytesOf(parser.value(QStringLiteral("base")));
    for (const QString& playlist : parser.positionalArguments()) {
        line.playlists.push_back(bytesOf(playlist));
    }
    const QString format = parser.value(QStringLiteral("format"));
    if (modes != 1) {
        error = modes == 0 ? QStringLiteral("say what to do: --list, --delete or --trash")
                           : QStringLiteral("--list, --delete and --trash go one at a time");
    } else if (line.baseDir.empty()) {
        error = QStringLiteral("--base DIR is missing");
    } else if (line.playlists.empty()) {
        error = QStringLiteral("no playlist given");
    } else if (isSet("format") && format != u"m3u8") {
        error = QStringLiteral("unknown --format '%1': the one there is, is m3u8").arg(format);
    } else if (isSet("format") && isSet("0")) {
        error = QStringLiteral("-0 and --format=m3u8 go one at a time");
    }
    if (!error.isEmpty()) {
        return std::nullopt;
    }
    line.format = isSet("0") ? CommandLine::Format::Nul
        : isSet("format")    ? CommandLine::Format::M3u8
                             : CommandLine::Format::Lines;
    line.fromList = bytesOf(parser.value(QStringLiteral("from-list")));
    line.yes = isSet("yes");
    line.evenIfNothingMatches = isSet("even-if-nothing-matches");
    line.removeEmptyFolders = isSet("remove-empty-folders");
    line.allAudio = isSet("all-audio");
    return line;
}

} // namespace

std::optional<CommandLine> parseCommandLine(int argc, char** argv, QString& error)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLatin1(argv[i]);
    }
    QCommandLineParser parser;
    addOptions(parser);
    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return std::nullopt;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        parser.showHelp(0);
    }
    if (parser.isSet(QStringLiteral("version"))) {
        parser.showVersion();
    }
    return choices(parser, error);
}
