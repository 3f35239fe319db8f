#include "CommandLineRun.h"

#include "CommandLine.h"
#include "ComparisonForm.h"
#include "Deletion.h"
#include "EntryStamps.h"
#include "FdCloser.h"
#include "KeepListReader.h"
#include "PosixDirLister.h"
#include "PosixFileDeleter.h"
#include "Removal.h"
#include "RemovalTexts.h"
#include "SavedList.h"
#include "Scan.h"
#include "ScanProgress.h"
#include "Terminal.h"
#include "Texts.h"

#include <QCoreApplication>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <set>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

enum ExitStatus {
    kDone = 0,
    kFailures = 1,
    kBadInput = 2,
    kDeclined = 3,
    kIncomplete = 4,
};

void say(const QString& text)
{
    const QByteArray bytes = "tuneprune: " + text.toLocal8Bit() + '\n';
    std::fwrite(bytes.data(), 1, static_cast<std::size_t>(bytes.size()), stderr);
}

void sayCannotRead(std::string_view path, const QString& why)
{
    say(QStringLiteral("cannot read %1: %2").arg(displayText(path), why));
}

constexpr std::size_t kLargestList = std::size_t {1} << 30;

// The bytes of --from-list's file: a regular file or a pipe (as `<(...)` gives), up to 1 GiB;
// otherwise why not. A folder or a device is not opened at all.
QString readListFile(const std::string& path, std::string& bytes)
{
    const QString notAList = QStringLiteral("not a file or a pipe");
    struct stat st { };
    if (::stat(path.c_str(), &st) != 0) {
        return qt_error_string(errno);
    }
    if (S_ISDIR(st.st_mode)) {
        return qt_error_string(EISDIR);
    }
    if (!S_ISREG(st.st_mode) && !S_ISFIFO(st.st_mode)) {
        return notAList;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return qt_error_string(errno);
    }
    const FdCloser closer(fd);
    if (::fstat(fd, &st) != 0 || (!S_ISREG(st.st_mode) && !S_ISFIFO(st.st_mode))) {
        return notAList;
    }
    char chunk[1 << 16];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got == 0) {
            return {};
        }
        if (got < 0 && errno != EINTR) {
            return qt_error_string(errno);
        }
        if (got > 0 && bytes.size() + static_cast<std::size_t>(got) > kLargestList) {
            return QStringLiteral("larger than 1 GiB");
        }
        bytes.append(chunk, static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
    }
}

// A relative base directory is taken from the current one, as a shell user means it.
std::string absoluteDir(std::string dir)
{
    if (!dir.starts_with('/')) {
        char* const cwd = ::getcwd(nullptr, 0);
        dir = std::string(cwd != nullptr ? cwd : "") + "/" + dir;
        std::free(cwd);
    }
    return dir.ends_with('/') ? dir : dir + "/";
}

class CommandLineRun {
public:
    explicit CommandLineRun(CommandLine line)
        : m_line(std::move(line))
    {
        stopOnInterrupt(m_bStop);
    }

    int exec()
    {
        if (const int status = readInputs(); status != kDone) {
            return status;
        }
        const int scanned = scan();
        if (scanned != kDone || m_rows.empty()) {
            return scanned;
        }
        if (m_line.mode == CommandLine::Mode::List) {
            print();
            return completeness();
        }
        return remove();
    }

private:
    int readInputs()
    {
        KeepListRead read = readKeepList(m_line.playlists);
        if (!read.set.ok()) {
            for (const std::string& refusal : read.set.refusalLines()) {
                say(QStringLiteral("cannot read playlist: ") + displayText(refusal));
            }
            return kBadInput;
        }
        m_keep = std::move(read.keep);
        m_strBase = absoluteDir(m_line.baseDir);
        struct stat st { };
        const int error = ::stat(m_strBase.c_str(), &st) != 0 ? errno : S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
        if (error != 0) {
            sayCannotRead(m_line.baseDir, qt_error_string(error));
            return kBadInput;
        }
        if (!m_line.fromList.empty()) {
            std::string bytes;
            if (const QString why = readListFile(m_line.fromList, bytes); !why.isEmpty()) {
                sayCannotRead(m_line.fromList, why);
                return kBadInput;
            }
            const std::string cwd = absoluteDir(".");
            m_reviewed.emplace();
            for (const std::string& path : pathsOfSavedList(bytes)) {
                m_reviewed->insert(comparablePath(path, cwd));
            }
        }
        return kDone;
    }

    // The rows --from-list names; false, having said so, when it names none of the scan's.
    bool takeReviewed(const std::vector<EntryIndex>& unwanted)
    {
        const std::string base = comparablePath(m_strBase, "/");
        for (const EntryIndex entry : unwanted) {
            if (m_reviewed->contains(base + path(entry).substr(m_strBase.size()))) {
                m_rows.push_back(entry);
            }
        }
        const std::size_t paths = m_reviewed->size();
        const QString list = displayText(m_line.fromList);
        if (m_rows.empty()) {
            say(paths == 0
                    ? QStringLiteral("%1 holds no path; nothing was touched").arg(list)
                    : QStringLiteral("None of the %1 %2 in %3 is listed by this scan: %4")
                          .arg(groupedNumber(paths), paths == 1 ? QStringLiteral("path") : QStringLiteral("paths"),
                               list, someReviewed()));
            return false;
        }
        if (m_rows.size() < paths) {
            const std::size_t unlisted = paths - m_rows.size();
            say(QStringLiteral("%1 of the %2 paths in %3 %4 not listed by this scan")
                    .arg(groupedNumber(unlisted), groupedNumber(paths), list,
                         unlisted == 1 ? QStringLiteral("is") : QStringLiteral("are")));
        }
        return true;
    }

    // The first few paths of --from-list, as they were compared.
    QString someReviewed() const
    {
        constexpr std::size_t kShown = 3;
        QStringList shown;
        for (auto it = m_reviewed->begin(); it != m_reviewed->end() && shown.size() < qsizetype(kShown); ++it) {
            shown << displayText(*it);
        }
        QString text = shown.join(QStringLiteral(", "));
        if (m_reviewed->size() > kShown) {
            text += QStringLiteral(" and %1 more").arg(groupedNumber(m_reviewed->size() - kShown));
        }
        return text;
    }

    int scan()
    {
        ScanProgress progress;
        ScanResult result;
        const AudioTypes types = m_line.allAudio ? AudioTypes::All : AudioTypes::Mp3;
        {
            const ProgressLine line([&progress, types] {
                const auto found = static_cast<int>(progress.found());
                return progress.walked() ? scanStatusText(found, found, types)
                                         : countStatusText(progress.found(), types);
            });
            result = scanLibrary(m_lister, m_keep, m_strBase, progress, m_bStop, 0, types);
        }
        if (result.stopped) {
            say(QStringLiteral("the scan was stopped"));
            return stoppedStatus();
        }
        m_check = std::move(result.check);
        m_found = std::move(result.found);
        say(playlistCheckText(m_check));
        for (const PlaylistCheck::Unreadable& folder : m_check.unreadable) {
            sayCannotRead(folder.path, qt_error_string(folder.error));
        }
        for (const PlaylistCheck::Unreadable& sheet : m_check.unreadableCueSheets) {
            say(QStringLiteral("cue sheet %1: %2; every file beside it is kept")
                    .arg(displayText(sheet.path), cueSheetProblemText(sheet)));
        }
        if (m_found->entries.empty()) {
            say(noneFoundText(types));
            return completeness();
        }
        if (m_reviewed) {
            return takeReviewed(result.unwanted) ? kDone : kBadInput;
        }
        m_rows = std::move(result.unwanted);
        if (m_rows.empty()) {
            say(noneUnwantedText(types));
            return completeness();
        }
        return kDone;
    }

    std::string path(EntryIndex entry) const { return m_found->path(m_found->entries[entry]); }

    // The list may lack what is in the folders that could not be read.
    int completeness() const { return m_check.unreadable.empty() ? kDone : kIncomplete; }

    // Streamed through a buffer of our own: a list of a million paths is neither held twice nor
    // written a few bytes at a time.
    void print() const
    {
        constexpr std::size_t kFlushAt = 1 << 20;
        std::string out;
        out.reserve(kFlushAt + 8192);
        const bool nul = m_line.format == CommandLine::Format::Nul;
        if (m_line.format == CommandLine::Format::M3u8) {
            out += kSavedListHeader;
        }
        std::size_t leftOut = 0;
        for (const EntryIndex entry : m_rows) {
            const Mp3Collection::Entry& e = m_found->entries[entry];
            const std::string_view dir = m_found->dirOf(e).path;
            const std::string_view name = m_found->name(e);
            if (!nul && (!isListLine(dir) || !isListLine(name))) {
                ++leftOut;
                continue;
            }
            out.append(dir).append(name).push_back(nul ? '\0' : '\n');
            if (out.size() >= kFlushAt) {
                writeOut(out);
            }
        }
        writeOut(out);
        reportLeftOut(leftOut);
    }

    static void writeOut(std::string& out)
    {
        std::fwrite(out.data(), 1, out.size(), stdout);
        std::fflush(stdout);
        out.clear();
    }

    static void reportLeftOut(std::size_t leftOut)
    {
        if (leftOut != 0) {
            say(QStringLiteral("%1 %2 a line break and %3 left out; -0 prints every path")
                    .arg(groupedNumber(leftOut),
                         leftOut == 1 ? QStringLiteral("name holds") : QStringLiteral("names hold"),
                         leftOut == 1 ? QStringLiteral("was") : QStringLiteral("were")));
        }
    }

    int remove()
    {
        const Coverage coverage = m_check.coverage();
        if (coverage.little() && !m_line.evenIfNothingMatches) {
            say(namesLittleWarning(coverage, m_line.playlists.size(), displayText(m_strBase), m_rows.size(),
                                   m_check.types));
            say(QStringLiteral("nothing was touched; --even-if-nothing-matches goes on all the same"));
            return kBadInput;
        }
        const EntryStamps stamps = recordStamps(m_lister, *m_found, m_rows, m_bStop);
        if (m_bStop) {
            say(QStringLiteral("stopped; nothing was touched"));
            return stoppedStatus();
        }
        if (const int asked = ask(stamps); asked != kDone) {
            return asked;
        }
        std::vector<RemovalRequest> requests;
        for (std::size_t row = 0; row < m_rows.size(); ++row) {
            requests.push_back(removalRequest(*m_found, stamps, m_rows[row], row));
        }
        const Removal removal = m_line.mode == CommandLine::Mode::Delete ? Removal::Delete : Removal::Trash;
        RemovalJob job {
            removal,
            m_line.removeEmptyFolders,
            {removal == Removal::Delete ? "tuneprune --delete" : "tuneprune --trash", m_line.playlists, m_strBase}};
        std::atomic<std::size_t> done {0};
        RemovalOutcome outcome;
        // A reader that went (`| tee` in a dropped session) must not end a removal unrecorded.
        std::signal(SIGPIPE, SIG_IGN);
        {
            const std::size_t total = requests.size();
            const ProgressLine line([&] { return removalProgressText(removal, done.load(), total); });
            outcome = runRemoval(m_lister, m_deleter, *m_found, requests, m_rows.size(), std::move(job), m_bStop, done);
        }
        return reportRemoval(outcome);
    }

    // The question, unless --yes said the answer; on the terminal, whatever the output is.
    int ask(const EntryStamps& stamps)
    {
        if (m_line.yes) {
            return kDone;
        }
        const QString count = QStringLiteral("%1 %2 (%3)")
                                  .arg(groupedNumber(m_rows.size()),
                                       m_rows.size() == 1 ? QStringLiteral("file") : QStringLiteral("files"),
                                       dataSizeText(stamps.totalSize(m_rows)));
        QString question = playlistCheckText(m_check) + QLatin1Char('\n');
        for (const QString& note : removalNotes(m_check.types, m_line.removeEmptyFolders)) {
            question += note + QLatin1Char('\n');
        }
        question += m_line.mode == CommandLine::Mode::Delete ? QStringLiteral("Delete %1? ").arg(count)
                                                             : QStringLiteral("Move %1 to the trash? ").arg(count);
        switch (askOnTerminal((question + QStringLiteral("Type yes to go on: ")).toLocal8Bit().toStdString())) {
        case Answer::Yes:
            return kDone;
        case Answer::NoTerminal:
            say(QStringLiteral("no terminal to ask on; --yes goes on without asking"));
            return kBadInput;
        case Answer::Interrupted:
            say(QStringLiteral("stopped; nothing was touched"));
            return stoppedStatus();
        case Answer::Other:
            break;
        }
        say(QStringLiteral("nothing was touched"));
        return kDeclined;
    }

    int reportRemoval(const RemovalOutcome& outcome) const
    {
        const char* const verb = outcome.removal == Removal::Delete ? "delete" : "move to the trash";
        for (const RemovalOutcome::Failure& failure : outcome.failures) {
            say(QStringLiteral("cannot %1 %2: %3")
                    .arg(QLatin1String(verb), QString::fromLocal8Bit(failure.path), failureReason(failure.error)));
        }
        // Each failure has its line above: the end text only counts them.
        for (const QString& paragraph : removalDoneText(outcome, 0).split(QStringLiteral("\n\n"))) {
            say(paragraph);
        }
        // A signal that came once the files were done, while the folders went, still ends the run.
        if (outcome.stopped() || m_bStop) {
            return stoppedStatus();
        }
        return outcome.failures.empty() && outcome.recordError == 0 ? completeness() : kFailures;
    }

    CommandLine m_line;
    PosixDirLister m_lister;
    PosixFileDeleter m_deleter;
    std::atomic<bool> m_bStop {false};
    KeepList m_keep;
    std::string m_strBase;
    std::optional<std::set<std::string>> m_reviewed; // --from-list
    std::shared_ptr<const Mp3Collection> m_found;
    PlaylistCheck m_check;
    std::vector<EntryIndex> m_rows; // what the window would list, and the user reviewed
};

} // namespace

int runCommandLine(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Tuneprune"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TUNEPRUNE_VERSION));
    QString error;
    std::optional<CommandLine> line = parseCommandLine(argc, argv, error);
    if (!line) {
        say(error);
        std::fputs("Usage: tuneprune --list|--delete|--trash --base DIR PLAYLIST...\n"
                   "Try 'tuneprune --help' for more.\n",
                   stderr);
        return kBadInput;
    }
    return CommandLineRun(std::move(*line)).exec();
}
