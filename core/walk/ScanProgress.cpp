#include "ScanProgress.h"

#include "Texts.h"

#include <cmath>

std::size_t ScanProgress::found() const
{
    if (walked()) {
        return m_nTotal;
    }
    return m_nFound.load(std::memory_order_relaxed);
}

void ScanProgress::clear()
{
    m_nFound.store(0, std::memory_order_relaxed);
    m_bWalked.store(false, std::memory_order_relaxed);
}

void ScanProgress::finish(std::size_t total)
{
    m_nTotal = total;
    m_bWalked.store(true, std::memory_order_release);
}

int scanPercent(int scanned, int total)
{
    if (total <= 0) {
        return 0;
    }
    const double exact = static_cast<double>(scanned) / static_cast<double>(total) * 100.0;
    const double shown = static_cast<double>(static_cast<float>(exact));
    return static_cast<int>(std::floor(shown + 0.5));
}

QString listedFilesWord(AudioTypes types)
{
    return types == AudioTypes::All ? QStringLiteral("audio files") : QStringLiteral("MP3s");
}

QString scanStatusText(int scanned, int total, AudioTypes types)
{
    return QStringLiteral("%1 of %2 (%3%) %4 scanned")
        .arg(scanned)
        .arg(total)
        .arg(scanPercent(scanned, total))
        .arg(listedFilesWord(types));
}

QString countStatusText(std::size_t found, AudioTypes types)
{
    return QStringLiteral("%1 %2 found").arg(groupedNumber(found), listedFilesWord(types));
}
