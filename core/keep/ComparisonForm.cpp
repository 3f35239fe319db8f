#include "ComparisonForm.h"

#include "Ascii.h"

#include <QByteArray>

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The form of one ASCII byte.
char foldAscii(char c)
{
    if (c == '\\') {
        return '/';
    }
    return lowerAscii(c);
}

// Folds eight ASCII bytes at once, unless one of them is not ASCII or is "\\". Adding 0x80 - 'A'
// and 0x80 - '[' to each byte sets its top bit from 'A' on and from '[' on, without a carry into the
// next byte; an upper-case letter is the difference, and its 0x20 is that bit shifted down.
bool foldAsciiWord(const char* in, char* out)
{
    constexpr std::uint64_t kOnes = 0x0101010101010101U;
    constexpr std::uint64_t kTops = 0x8080808080808080U;
    std::uint64_t word;
    std::memcpy(&word, in, sizeof word);
    const std::uint64_t backslashes = word ^ (kOnes * '\\');
    if ((word & kTops) != 0 || ((backslashes - kOnes) & ~backslashes & kTops) != 0) {
        return false;
    }
    const std::uint64_t fromA = word + kOnes * (0x80 - 'A');
    const std::uint64_t pastZ = word + kOnes * (0x80 - 'Z' - 1);
    word |= (fromA & ~pastZ & kTops) >> 2;
    std::memcpy(out, &word, sizeof word);
    return true;
}

#if defined(__SSE2__)
// The same for sixteen bytes.
bool foldAsciiBlock(const char* in, char* out)
{
    __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    if (_mm_movemask_epi8(block) != 0) {
        return false;
    }
    // Signed compares serve: every byte is below 0x80.
    const __m128i upper
        = _mm_and_si128(_mm_cmpgt_epi8(block, _mm_set1_epi8('A' - 1)), _mm_cmplt_epi8(block, _mm_set1_epi8('Z' + 1)));
    block = _mm_or_si128(block, _mm_and_si128(upper, _mm_set1_epi8(0x20)));
    const __m128i backslash = _mm_cmpeq_epi8(block, _mm_set1_epi8('\\'));
    block = _mm_or_si128(_mm_andnot_si128(backslash, block), _mm_and_si128(backslash, _mm_set1_epi8('/')));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), block);
    return true;
}
#endif

// Folds `size` bytes, at least kWidth, kWidth at a time; the last step may overlap the one
// before, since folding a byte twice gives what folding it once does.
template<std::size_t kWidth, bool (*kFold)(const char*, char*)>
bool foldInSteps(const char* from, char* to, std::size_t size)
{
    for (std::size_t i = 0; i + kWidth < size; i += kWidth) {
        if (!kFold(from + i, to + i)) {
            return false;
        }
    }
    return kFold(from + size - kWidth, to + size - kWidth);
}

// Folds an ASCII name, a block or word at a time. False when a byte is not ASCII.
bool foldAscii(std::string_view bytes, char* to)
{
    const char* const from = bytes.data();
    const std::size_t size = bytes.size();
#if defined(__SSE2__)
    if (size >= 16) {
        return foldInSteps<16, foldAsciiBlock>(from, to, size);
    }
#endif
    if (size >= 8) {
        return foldInSteps<8, foldAsciiWord>(from, to, size);
    }
    unsigned char high = 0;
    for (std::size_t i = 0; i < size; ++i) {
        high |= static_cast<unsigned char>(from[i]);
        to[i] = foldAscii(from[i]);
    }
    return high < 0x80;
}

// Most other names are written in Latin-1 letters (é, ö, ß). In UTF-8 those are C2 A0 - C3 BF, in
// form C already and joined to nothing before them; the capitals C3 80 - C3 9E, but for the
// multiplication sign C3 97, lower-case by adding 0x20 to their second byte. Whatever else is
// in the bytes leaves it to QString.
bool foldLatin1(std::string_view bytes, char* to)
{
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            to[i] = foldAscii(bytes[i]);
            continue;
        }
        if ((lead != 0xC2 && lead != 0xC3) || i + 1 == bytes.size()) {
            return false;
        }
        const auto next = static_cast<unsigned char>(bytes[i + 1]);
        if (next < (lead == 0xC2 ? 0xA0 : 0x80) || next > 0xBF) {
            return false;
        }
        to[i] = bytes[i];
        to[i + 1] = static_cast<char>(lead == 0xC3 && next <= 0x9E && next != 0x97 ? next + 0x20 : next);
        ++i;
    }
    return true;
}

// 0x80-0x9F of Windows-1252; the five unassigned bytes stand for the control character of the
// same number, so that every byte decodes to something and no two bytes to the same thing.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString fromCp1252(std::string_view bytes)
{
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* out = text.data();
    for (unsigned char b : bytes) {
        *out++ = QChar(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : char16_t(b));
    }
    return text;
}

QString segmentText(std::string_view segment)
{
    if (isValidUtf8(segment)) {
        return QString::fromUtf8(segment.data(), static_cast<qsizetype>(segment.size()));
    }
    return fromCp1252(segment);
}

// ASCII stretches are folded directly. Each other stretch goes through QString together with the
// ASCII character before it, which a combining mark may join; nothing joins an ASCII character to
// what precedes it, so the pieces come out as the whole segment would.
void appendSegmentForm(std::string& out, std::string_view segment)
{
    const bool utf8 = isValidUtf8(segment);
    std::size_t i = 0;
    while (i < segment.size()) {
        if (static_cast<unsigned char>(segment[i]) < 0x80) {
            out.push_back(foldAscii(segment[i++]));
            continue;
        }
        std::size_t from = i;
        if (from > 0) {
            out.pop_back();
            --from;
        }
        while (i < segment.size() && static_cast<unsigned char>(segment[i]) >= 0x80) {
            ++i;
        }
        const std::string_view piece = segment.substr(from, i - from);
        const QString text
            = utf8 ? QString::fromUtf8(piece.data(), static_cast<qsizetype>(piece.size())) : fromCp1252(piece);
        const QByteArray form = text.normalized(QString::NormalizationForm_C).toLower().toUtf8();
        out.append(form.constData(), static_cast<std::size_t>(form.size()));
    }
}

} // namespace

bool isValidUtf8(std::string_view bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        const unsigned char b = *p;
        if (b < 0x80) {
            ++p;
            continue;
        }
        // The allowed range of the second byte excludes overlongs, surrogates and values above
        // U+10FFFF; every later continuation byte is 0x80-0xBF.
        int length;
        unsigned char lo = 0x80, hi = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3;
            if (b == 0xE0) {
                lo = 0xA0;
            } else if (b == 0xED) {
                hi = 0x9F;
            }
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4;
            if (b == 0xF0) {
                lo = 0x90;
            } else if (b == 0xF4) {
                hi = 0x8F;
            }
        } else {
            return false;
        }
        if (end - p < length || p[1] < lo || p[1] > hi) {
            return false;
        }
        for (int i = 2; i < length; ++i) {
            if (p[i] < 0x80 || p[i] > 0xBF) {
                return false;
            }
        }
        p += length;
    }
    return true;
}

void appendComparisonForm(std::string& out, std::string_view bytes)
{
    // Almost every name is ASCII: its form is the bytes with "\\" and upper-case letters replaced,
    // without a detour through QString. Whether it is shows once it has been folded.
    const std::size_t from = out.size();
    out.resize(from + bytes.size());
    char* const to = out.data() + from;
    if (foldAscii(bytes, to) || foldLatin1(bytes, to)) {
        return;
    }
    out.resize(from);
    out.reserve(from + bytes.size() + bytes.size() / 2);
    std::size_t start = 0;
    for (;;) {
        const auto sep = std::find_if(bytes.begin() + static_cast<std::ptrdiff_t>(start), bytes.end(), isSeparator);
        const std::size_t end = static_cast<std::size_t>(sep - bytes.begin());
        const std::string_view segment = bytes.substr(start, end - start);
        appendSegmentForm(out, segment);
        if (end == bytes.size()) {
            return;
        }
        out.push_back('/');
        start = end + 1;
    }
}

std::string comparisonForm(std::string_view bytes)
{
    std::string form;
    appendComparisonForm(form, bytes);
    return form;
}

QString displayText(std::string_view pathBytes)
{
    QString text;
    text.reserve(static_cast<qsizetype>(pathBytes.size()));
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = std::min(pathBytes.find('/', start), pathBytes.size());
        text += segmentText(pathBytes.substr(start, end - start));
        if (end == pathBytes.size()) {
            return text;
        }
        text += QLatin1Char('/');
        start = end + 1;
    }
}
