// The comparison form and the forms of a keep line: valid UTF-8, their own form, and blind to
// which of "\" and "/" a path was written with.

#include "ComparisonForm.h"
#include "FuzzCheck.h"
#include "KeepForms.h"

#include <QString>

#include <algorithm>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    const std::string form = comparisonForm(in);
    CHECK(isValidUtf8(form));
    CHECK(comparisonForm(form) == form);
    CHECK(form.find('\\') == std::string::npos);
    std::string slashed(in);
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    CHECK(comparisonForm(slashed) == form);
    // ASCII: each byte on its own, A to Z folded.
    if (std::all_of(in.begin(), in.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        slashed = QByteArray::fromStdString(slashed).toLower().toStdString();
        CHECK(form == slashed);
    }
    // Latin-1 letters in UTF-8: as Qt puts them in form C and lower case.
    const QString text = QString::fromUtf8(slashed.data(), static_cast<qsizetype>(slashed.size()));
    if (isValidUtf8(in) && std::all_of(text.begin(), text.end(), [](QChar c) {
            return c.unicode() < 0x80 || (c.unicode() >= 0xA0 && c.unicode() <= 0xFF);
        })) {
        CHECK(form == text.normalized(QString::NormalizationForm_C).toLower().toStdString());
    }

    const auto isForm = [](const std::string& f) {
        return isValidUtf8(f) && comparisonForm(f) == f;
    };
    const std::vector<std::string> keep = keepEntryForms(in);
    CHECK(!keep.empty() && keep.front() == form);
    CHECK(std::all_of(keep.begin(), keep.end(), isForm));
    const std::vector<std::string> trailing = trailingPathForms(in);
    CHECK(std::all_of(trailing.begin(), trailing.end(), isForm));
    CHECK(keepEntryForms(slashed) == keep);
    return 0;
}
