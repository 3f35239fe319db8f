#include "CommandLine.h"

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
      "them to the trash. The playlists may be M3U, M3U8, XSPF, PLS, WPL, ASX or Apple Music XML.\n"
      "\n"
      "Exit status: 0 done; 1 some files could not be removed; 2 bad arguments, or a playlist or\n"
      "folder that cannot be read; 3 the question was answered other than yes; 4 done, but some\n"
      "folders could not be read; 130 stopped by Ctrl+C.";

} // namespace

std::optional<CommandLine> parseCommandLine(int argc, char** argv, QString& error)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLatin1(argv[i]);
    }
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kSummary));
    const QCommandLineOption list(QStringLiteral("list"), QStringLiteral("Print the unwanted mp3 files, one a line."));
    const QCommandLineOption remove(QStringLiteral("delete"), QStringLiteral("Delete them, after a question."));
    const QCommandLineOption trash(QStringLiteral("trash"),
                                   QStringLiteral("Move them to the trash, after a question."));
    const QCommandLineOption base(QStringLiteral("base"), QStringLiteral("The folder to look in."),
                                  QStringLiteral("DIR"));
    const QCommandLineOption nul(QStringList {QStringLiteral("0"), QStringLiteral("null")},
                                 QStringLiteral("End each path with a NUL byte, for xargs -0."));
    const QCommandLineOption format(QStringLiteral("format"),
                                    QStringLiteral("m3u8: print an M3U8 playlist, as Save List writes it."),
                                    QStringLiteral("FORMAT"));
    const QCommandLineOption fromList(QStringLiteral("from-list"),
                                      QStringLiteral("Only the paths in FILE (from --list -0, or a saved M3U8) that "
                                                     "the scan still lists."),
                                      QStringLiteral("FILE"));
    const QCommandLineOption yes(QStringLiteral("yes"), QStringLiteral("Ask no question."));
    const QCommandLineOption evenIf(QStringLiteral("even-if-nothing-matches"),
                                    QStringLiteral("Go on when the playlists hardly name a file in the folder."));
    const QCommandLineOption removeEmpty(QStringLiteral("remove-empty-folders"),
                                         QStringLiteral("Remove the folders left with nothing but thumbnails, "
                                                        ".DS_Store files or cover images."));
    parser.addOptions({list, remove, trash, base, nul, format, fromList, yes, evenIf, removeEmpty});
    parser.addPositionalArgument(QStringLiteral("PLAYLIST"), QStringLiteral("The playlists of the songs to keep."),
                                 QStringLiteral("PLAYLIST..."));
    parser.addHelpOption();
    parser.addVersionOption();
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
    const int modes = int(parser.isSet(list)) + int(parser.isSet(remove)) + int(parser.isSet(trash));
    if (modes != 1) {
        error = modes == 0 ? QStringLiteral("say what to do: --list, --delete or --trash")
                           : QStringLiteral("--list, --delete and --trash go one at a time");
        return std::nullopt;
    }
    CommandLine line;
    line.mode = parser.isSet(list) ? CommandLine::Mode::List
        : parser.isSet(remove)     ? CommandLine::Mode::Delete
                                   : CommandLine::Mode::Trash;
    line.baseDir = bytesOf(parser.value(base));
    for (const QString& playlist : parser.positionalArguments()) {
        line.playlists.push_back(bytesOf(playlist));
    }
    if (line.baseDir.empty() || line.playlists.empty()) {
        error = line.baseDir.empty() ? QStringLiteral("--base DIR is missing") : QStringLiteral("no playlist given");
        return std::nullopt;
    }
    if (parser.isSet(format) && parser.value(format) != u"m3u8") {
        error = QStringLiteral("unknown --format '%1': the one there is, is m3u8").arg(parser.value(format));
        return std::nullopt;
    }
    if (parser.isSet(format) && parser.isSet(nul)) {
        error = QStringLiteral("-0 and --format=m3u8 go one at a time");
        return std::nullopt;
    }
    line.format = parser.isSet(nul) ? CommandLine::Format::Nul
        : parser.isSet(format)      ? CommandLine::Format::M3u8
                                    : CommandLine::Format::Lines;
    line.fromList = bytesOf(parser.value(fromList));
    line.yes = parser.isSet(yes);
    line.evenIfNothingMatches = parser.isSet(evenIf);
    line.removeEmptyFolders = parser.isSet(removeEmpty);
    return line;
}
