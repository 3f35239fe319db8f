#include "Texts.h"

#include <QLocale>
#include <QStringList>

QString groupedNumber(std::size_t n)
{
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(static_cast<qulonglong>(n));
}

QString dataSizeText(std::uint64_t bytes)
{
    return QLocale(QLocale::English, QLocale::UnitedStates)
        .formattedDataSize(static_cast<qint64>(bytes), 1, QLocale::DataSizeSIFormat);
}

QString noneFoundText(AudioTypes types)
{
    return types == AudioTypes::All ? QStringLiteral("No audio files found in that directory!")
                                    : QStringLiteral("No mp3 files found in that directory!");
}

QString noneUnwantedText(AudioTypes types)
{
    return types == AudioTypes::All ? QStringLiteral("No unwanted audio files found in that directory!")
                                    : QStringLiteral("No unwanted mp3 files found in that directory!");
}

QString selectPromptText(AudioTypes types)
{
    return types == AudioTypes::All ? QStringLiteral("Select files to Delete:")
                                    : QStringLiteral("Select MP3s to Delete:");
}

QString allAudioNote(AudioTypes types)
{
    return types == AudioTypes::All
        ? QStringLiteral("Every audio file type is listed, not only mp3: voice notes and samples too.")
        : QString();
}

QString audioEndingsText()
{
    QStringList endings;
    for (const std::string_view ending : audioEndings()) {
        endings << QString::fromLatin1(ending.data(), static_cast<qsizetype>(ending.size()));
    }
    return endings.join(QLatin1Char(' '));
}
