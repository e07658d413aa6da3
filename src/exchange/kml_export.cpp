#include "exchange/kml_export.h"

#include <cmath>
#include <limits>

#include "core/colours.h"
#include "core/display_format.h"

namespace qv {
namespace {

// The next character of UTF-8 text, or the single byte when it does not
// start a well-formed sequence.
char32_t NextCharacter(std::string_view text, size_t& i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    size_t length = 0;
    char32_t c = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        c = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        c = lead & 0x07;
    }
    if (length == 0 || i + length > text.size()) {
        ++i;
        return lead;
    }
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            ++i;
            return lead;
        }
        c = (c << 6) | (byte(i + k) & 0x3F);
    }
    const char32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++i;
        return lead;
    }
    i += length;
    return c;
}

void AppendUnit(std::string& out, unsigned c) {
    if (c <= 127) {
        out += static_cast<char>(c);
    } else if (c <= 2047) {
        out += static_cast<char>(192 + c / 64);
        out += static_cast<char>(128 + c % 64);
    } else {
        out += static_cast<char>(224 + c / 4096);
        out += static_cast<char>(128 + c / 64 % 64);
        out += static_cast<char>(128 + c % 64);
    }
}

void AppendEscaped(std::string& out, std::string_view text) {
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            default:
                out += c;
        }
    }
}

int TruncatedMetres(Float80 elv) {
    if (!std::isfinite(elv))
        return 0;
    constexpr Float80 kMax = std::numeric_limits<int>::max();
    constexpr Float80 kMin = std::numeric_limits<int>::min();
    return static_cast<int>(std::trunc(std::fmax(kMin, std::fmin(kMax, elv))));
}

}  // namespace

std::string KmlDocumentName(std::string_view name) {
    std::string out;
    for (size_t i = 0; i < name.size();) {
        const char32_t c = NextCharacter(name, i);
        if (c > 0xFFFF) {
            // A character beyond the 16-bit range: the four bytes of UTF-8.
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            AppendUnit(out, static_cast<unsigned>(c));
        }
    }
    return out;
}

std::string KmlColour(int slot) {
    const Rgb c = kSlotColours[static_cast<size_t>(slot) % kSlotColours.size()];
    const uint32_t bgr = (uint32_t{c.b} << 16) | (uint32_t{c.g} << 8) | c.r;
    return StrFormat("%.8x", 0xAF000000u | bgr);
}

std::string KmlText(std::string_view documentName, const std::array<const TLapDtRec*, 4>& slots) {
    std::string text;
    const auto line = [&](std::string_view s) {
        text += s;
        text += "\r\n";
    };
    line("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    line("<kml xmlns=\"http://www.opengis.net/kml/2.2\">");
    line("<Document>");
    line("<name>");
    AppendEscaped(text, documentName);
    text += "\r\n";
    line("</name>");
    for (size_t k = 0; k < slots.size(); ++k) {
        const TLapDtRec* lap = slots[k];
        if (lap == nullptr)
            continue;
        line("<Folder>");
        line("<name>");
        AppendEscaped(text, lap->DtName);
        text += "\r\n";
        line("</name>");
        line("<Placemark>");
        line("<Style>");
        line("<LineStyle>");
        line("<color>" + KmlColour(static_cast<int>(k)) + "</color>");
        line("<width>4</width>");
        line("</LineStyle>");
        line("</Style>");
        line("<LineString>");
        line("<tessellate>1</tessellate>");
        line("<coordinates>");
        for (const TLapElmRec& s : lap->Elm) {
            line(StrFormat("%.7f,%.7f,%d", static_cast<double>(Float80(s.Kdo)),
                           static_cast<double>(Float80(s.Ido)), TruncatedMetres(s.Elv)));
        }
        line("</coordinates>");
        line("</LineString>");
        line("</Placemark>");
        line("</Folder>");
    }
    line("</Document>");
    line("</kml>");
    return text;
}

std::array<const TLapDtRec*, 4> OccupiedSlots(const LapStore& laps) {
    std::array<const TLapDtRec*, 4> slots{};
    for (size_t k = 0; k < laps.LapDt.size() && k < slots.size(); ++k)
        slots[k] = &laps.LapDt[k];
    return slots;
}

}  // namespace qv
