#include "ComparisonForm.h"

#include <QTest>

class TestComparisonForm : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void form_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("expected");
        const auto row = [](const char* name, const char* in, const char* out) {
            QTest::newRow(name) << QByteArray(in) << QByteArray(out);
        };
        row("ASCII case", "/Music/ZZ Top/@[`{Az.MP3", "/music/zz top/@[`{az.mp3");
        row("backslash", "Artist\\Song.mp3", "artist/song.mp3");
        // ASCII goes sixteen bytes or eight at a time, the last block overlapping the one before.
        row("ASCII, three blocks", "ABCDEFGHIJKLMNOP\\QRSTUVWXYZ@[`{Az", "abcdefghijklmnop/qrstuvwxyz@[`{az");
        row("ASCII, last byte in a block of its own", "abcdefghijklmnopQ", "abcdefghijklmnopq");
        row("ASCII, two words", "Twelve BYTES", "twelve bytes");
        row("non-ASCII in the last block", "Sixteen Bytes ok Caf\xC3\xA9", "sixteen bytes ok caf\xC3\xA9");
        row("non-ASCII in the last word", "Bar Caf\xC3\x89", "bar caf\xC3\xA9");
        row("non-ASCII case", "\xC3\x84RZTE", "\xC3\xA4rzte");
        row("NFD", "Cafe\xCC\x81 E\xCC\x81.mp3", "caf\xC3\xA9 \xC3\xA9.mp3");
        row("mark after separator", "e/\xCC\x81", "e/\xCC\x81");
        row("cp1252 0x80-0x9F", "\x80\x8A\x9F\x81", "\xE2\x82\xAC\xC5\xA1\xC3\xBF\xC2\x81");
        row("cp1252, UTF-8", "/m/\xC4rzte/Caf\xC3\xA9", "/m/\xC3\xA4rzte/caf\xC3\xA9");
        row("UTF-8, cp1252", "\\\xC3\x84rzte\\Caf\xE9\\", "/\xC3\xA4rzte/caf\xC3\xA9/");
    }

    void form()
    {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, expected);
        const std::string in = input.toStdString();
        QCOMPARE(QByteArray::fromStdString(comparisonForm(in)), expected);
        // The walk appends each name's form to its directory's.
        const std::size_t cut = in.find_last_of("/\\") + 1;
        std::string appended = comparisonForm(in.substr(0, cut));
        appendComparisonForm(appended, in.substr(cut));
        QCOMPARE(QByteArray::fromStdString(appended), expected);
    }

    void validUtf8()
    {
        QVERIFY(isValidUtf8("a\xC2\x80\xDF\xBF\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"));
        // Overlongs, a surrogate, above U+10FFFF, F5, a lone continuation, cut short, a bad third byte.
        for (const char* bad : {"\xC1\xBF", "\xE0\x9F\xBF", "\xF0\x8F\xBF\xBF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                                "\xF5\x80\x80\x80", "a\x80", "\xE2\x82", "\xE2\x82("}) {
            QVERIFY2(!isValidUtf8(bad), QByteArray(bad).toHex().constData());
        }
    }

    void display()
    {
        QCOMPARE(displayText("/m/\xC4rzte/Caf\xC3\xA9.MP3"), QStringLiteral("/m/Ärzte/Café.MP3"));
        // Only "/" separates here: the backslash leaves the whole segment invalid UTF-8.
        QCOMPARE(displayText("Caf\xC3\xA9\\\xC4/x"), QStringLiteral("CafÃ©\\Ä/x"));
    }
};

QTEST_GUILESS_MAIN(TestComparisonForm)
#include "tst_comparisonform.moc"
