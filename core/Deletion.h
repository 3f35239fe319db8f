#pragma once

#include <QString>

#include <cstddef>
#include <string>
#include <vector>

class IFileDeleter;

// Permanent deletion of a batch of files, remembering what could not be deleted and why.
class Deletion {
public:
    struct Failure {
        std::size_t row;
        std::string path;
        int error; // errno
    };

    explicit Deletion(IFileDeleter& deleter)
        : m_deleter(deleter)
    {
    }

    // Deletes one file. A file that is already gone counts as deleted. False when it is still there.
    bool remove(std::size_t row, const std::string& path);

    std::size_t attempted() const { return m_nAttempted; }
    const std::vector<Failure>& failures() const { return m_failures; }

    // How many files could not be deleted, and the first few of them with the system's reason.
    QString failureReport(std::size_t shown = 10) const;

private:
    IFileDeleter& m_deleter;
    std::size_t m_nAttempted = 0;
    std::vector<Failure> m_failures;
};
