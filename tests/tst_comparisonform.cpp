#include "core/ComparisonForm.h"

#include <QTest>

namespace {

// The bytes of a literal, NULs included.
template<std::size_t N> QByteArray bytes(const char (&s)[N])
{
    return QByteArray(s, N - 1);
}

std::string_view view(const QByteArray& a)
{
    return std::string_view(a.constData(), static_cast<std::size_t>(a.size()));
}

QByteArray formOf(const QByteArray& a)
{
    const std::string form = comparisonForm(view(a));
    return QByteArray(form.data(), static_cast<qsizetype>(form.size()));
}

} // namespace

class TestComparisonForm : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void form_data();
    void form();
    void formOfDirectoryAndName_data();
    void formOfDirectoryAndName();
    void validUtf8_data();
    void validUtf8();
    void display_data();
    void display();
};

void TestComparisonForm::form_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("ASCII case") << bytes("/Music/ZZ Top/@[`{Az.MP3") << bytes("/music/zz top/@[`{az.mp3");
    QTest::newRow("backslash") << bytes("Artist\\Song.mp3") << bytes("artist/song.mp3");
    QTest::newRow("non-ASCII upper") << bytes("\xC3\x84RZTE") << bytes("\xC3\xA4rzte");
    QTest::newRow("non-ASCII lower") << bytes("\xC3\xA4rzte") << bytes("\xC3\xA4rzte");
    QTest::newRow("Cyrillic") << bytes("\xD0\x9F\xD0\x95\xD0\xA1\xD0\x9D\xD0\xAF")
                              << bytes("\xD0\xBF\xD0\xB5\xD1\x81\xD0\xBD\xD1\x8F");
    QTest::newRow("NFD") << bytes("Cafe\xCC\x81.mp3") << bytes("caf\xC3\xA9.mp3");
    QTest::newRow("NFD upper") << bytes("E\xCC\x81") << bytes("\xC3\xA9");
    QTest::newRow("NFD inside ASCII") << bytes("A\xC3\x84xE\xCC\x81Y") << bytes("a\xC3\xA4x\xC3\xA9y");
    QTest::newRow("mark after a separator") << bytes("e/\xCC\x81") << bytes("e/\xCC\x81");
    QTest::newRow("4-byte UTF-8") << bytes("\xF0\x9F\x8E\xB5") << bytes("\xF0\x9F\x8E\xB5");
    QTest::newRow("cp1252 segment") << bytes("\xC4rzte") << bytes("\xC3\xA4rzte");
    QTest::newRow("cp1252 0x80-0x9F") << bytes("\x80\x8A\x9F") << bytes("\xE2\x82\xAC\xC5\xA1\xC3\xBF");
    QTest::newRow("cp1252 unassigned") << bytes("\x81\x8D\x8F\x90\x9D")
                                       << bytes("\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
    QTest::newRow("cp1252 and UTF-8 segments")
        << bytes("/m/\xC4rzte/Caf\xC3\xA9") << bytes("/m/\xC3\xA4rzte/caf\xC3\xA9");
    QTest::newRow("UTF-8 and cp1252 segments")
        << bytes("\\\xC3\x84rzte\\Caf\xE9\\") << bytes("/\xC3\xA4rzte/caf\xC3\xA9/");
    QTest::newRow("overlong is cp1252") << bytes("\xC0\xAF") << bytes("\xC3\xA0\xC2\xAF");
    QTest::newRow("surrogate is cp1252") << bytes("\xED\xA0\x80") << bytes("\xC3\xAD\xC2\xA0\xE2\x82\xAC");
    QTest::newRow("above U+10FFFF is cp1252")
        << bytes("\xF4\x90\x80\x80") << bytes("\xC3\xB4\xC2\x90\xE2\x82\xAC\xE2\x82\xAC");
    QTest::newRow("cut sequence is cp1252") << bytes("ab\xC3") << bytes("ab\xC3\xA3");
    QTest::newRow("NUL") << bytes("A\0B/\0") << bytes("a\0b/\0");
    QTest::newRow("NUL, non-ASCII") << bytes("\xC4\0X/\xC3\x84\0") << bytes("\xC3\xA4\0x/\xC3\xA4\0");
    QTest::newRow("empty") << QByteArray() << QByteArray();
}

void TestComparisonForm::form()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, expected);
    QCOMPARE(formOf(input), expected);
}

// The scan matches a directory's form once and goes on with each name's form from there.
void TestComparisonForm::formOfDirectoryAndName_data()
{
    QTest::addColumn<QByteArray>("dir");
    QTest::addColumn<QByteArray>("name");

    QTest::newRow("ASCII") << bytes("/Home/U/") << bytes("Song.MP3");
    QTest::newRow("cp1252 dir, UTF-8 name") << bytes("/m/\xC4rzte/") << bytes("Caf\xC3\xA9.mp3");
    QTest::newRow("UTF-8 dir, cp1252 name") << bytes("/m/\xC3\x84rzte/") << bytes("Caf\xE9.mp3");
    QTest::newRow("NFD name") << bytes("/m/") << bytes("\xCC\x81x");
}

void TestComparisonForm::formOfDirectoryAndName()
{
    QFETCH(QByteArray, dir);
    QFETCH(QByteArray, name);
    std::string appended = comparisonForm(view(dir));
    appendComparisonForm(appended, view(name));
    QCOMPARE(appended, comparisonForm(view(dir + name)));
}

void TestComparisonForm::validUtf8_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<bool>("valid");

    QTest::newRow("ASCII, NUL") << bytes("a\0b") << true;
    QTest::newRow("2 bytes") << bytes("\xC2\x80\xDF\xBF") << true;
    QTest::newRow("3 bytes") << bytes("\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80") << true;
    QTest::newRow("U+10FFFF") << bytes("\xF0\x90\x80\x80\xF4\x8F\xBF\xBF") << true;
    QTest::newRow("overlong 2") << bytes("\xC1\xBF") << false;
    QTest::newRow("overlong 3") << bytes("\xE0\x9F\xBF") << false;
    QTest::newRow("overlong 4") << bytes("\xF0\x8F\xBF\xBF") << false;
    QTest::newRow("surrogate") << bytes("\xED\xA0\x80") << false;
    QTest::newRow("above U+10FFFF") << bytes("\xF4\x90\x80\x80") << false;
    QTest::newRow("F5") << bytes("\xF5\x80\x80\x80") << false;
    QTest::newRow("lone continuation") << bytes("a\x80") << false;
    QTest::newRow("cut at end") << bytes("\xE2\x82") << false;
    QTest::newRow("bad continuation") << bytes("\xE2\x28\xA1") << false;
}

void TestComparisonForm::validUtf8()
{
    QFETCH(QByteArray, input);
    QFETCH(bool, valid);
    QCOMPARE(isValidUtf8(view(input)), valid);
}

void TestComparisonForm::display_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("expected");

    QTest::newRow("cp1252 and UTF-8 segments")
        << bytes("/m/\xC4rzte/Caf\xC3\xA9.MP3") << QStringLiteral("/m/Ärzte/Café.MP3");
    QTest::newRow("cp1252 0x80-0x9F") << bytes("/\x80\x9F\x81") << QStringLiteral("/€Ÿ\u0081");
    // Only "/" separates here: the backslash leaves the whole segment invalid UTF-8.
    QTest::newRow("backslash") << bytes("Caf\xC3\xA9\\\xC4/x") << QStringLiteral("CafÃ©\\Ä/x");
    QTest::newRow("NFD kept") << bytes("e\xCC\x81") << QStringLiteral("e\u0301");
    QTest::newRow("NUL") << bytes("a\0b") << QString::fromUtf16(u"a\0b", 3);
}

void TestComparisonForm::display()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, expected);
    QCOMPARE(displayText(view(input)), expected);
}

QTEST_GUILESS_MAIN(TestComparisonForm)
#include "tst_comparisonform.moc"
