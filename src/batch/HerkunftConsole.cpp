#include "batch/HerkunftConsole.h"

#include "batch/OrderHoursRun.h"
#include "common/Text.h"
#include "report/HerkunftText.h"
#include "sollstd/Herkunft.h"

namespace {

// A code point below U+10000 as UTF-8.
void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace

namespace sollist::batch {

std::string Visible(std::string_view line) {
    std::string out;
    out.reserve(line.size());
    for (std::size_t pos = 0; pos < line.size();) {
        const std::size_t start = pos;
        const char32_t cp = text::NextCodePoint(line, pos);
        if (cp < 0x20)
            AppendUtf8(out, 0x2400 + cp); // the control pictures: ␀ ... ␟
        else if (cp == 0x7F)
            AppendUtf8(out, 0x2421); // ␡
        else if (cp == text::kInvalidCodePoint || (cp >= 0x80 && cp < 0xA0))
            AppendUtf8(out, 0xFFFD); // a stray byte, or a control of the upper half
        else
            out.append(line.substr(start, pos - start));
    }
    return out;
}

std::vector<std::string> PrintHerkunft(const TRunContext& context, const std::vector<std::string>& orders) {
    sollstd::THerkunftRechnung rechnung(context);
    std::vector<std::string> unknown;
    for (const std::string& OfNumm : orders) {
        const sollstd::THerkunft herkunft = rechnung.Erklaere(OfNumm);
        if (!herkunft.Bekannt) {
            context.Print(UnknownOrderLine(OfNumm));
            unknown.push_back(OfNumm);
            continue;
        }
        for (const std::string& line : report::HerkunftTabelle(herkunft)) context.Print(Visible(line));
    }
    return unknown;
}

} // namespace sollist::batch
