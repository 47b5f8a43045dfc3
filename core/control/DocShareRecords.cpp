#include "control/DocShareRecords.h"

#include <algorithm>
#include <cstring>

#include "common/StringUtil.h"
#include "control/ConfProtocol.h"
#include "control/QuorixControl.h"
#include "control/RelayRecords.h"
#include "control/VpexProtocol.h"

namespace {

constexpr uint8_t kKindMarker = 8;
constexpr size_t kNameField = 200;
constexpr size_t kAddressField = 1000;
constexpr size_t kUserField = 128;  // UTF-16LE user id or name
constexpr size_t kTextField = 256;  // UTF-16LE scroll, size, zoom and mode texts
constexpr size_t kPageUrlField = 500;
constexpr size_t kPointAt = 14;
constexpr size_t kMousePointSize = 145;
constexpr size_t kPageInfoSize = 506;

std::string Value(const std::string& text, const char* key) {
    std::string v;
    CQuorixControl::GetContent(text, key, v, 0);
    return v;
}

// The value of the next line with `key` at or after `pos`; false when there
// is none. `pos` moves past that line.
bool NextValue(const std::string& text, const char* key, size_t& pos, std::string& value) {
    if (pos > text.size()) return false;
    const size_t at = text.find(key, pos);
    if (at == std::string::npos) return false;
    const size_t start = at + std::strlen(key);
    const size_t end = text.find("\r\n", start);
    value =
        CQuorixControl::Trim(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    pos = end == std::string::npos ? text.size() + 1 : end + 2;
    return true;
}

// "a, b": false without a comma.
bool Pair(const std::string& v, int32_t& a, int32_t& b) {
    const size_t comma = v.find(',');
    if (comma == std::string::npos) return false;
    a = DecimalValue(CQuorixControl::Trim(v.substr(0, comma)));
    b = DecimalValue(CQuorixControl::Trim(v.substr(comma + 1)));
    return true;
}

void PutI32(std::vector<uint8_t>& r, size_t at, int32_t v) {
    PutLE32(r.data() + at, uint32_t(v));
}

// A text with its zero code unit at `at`; the record ends after it.
void PutUtf16Text(std::vector<uint8_t>& r, size_t at, const std::string& text) {
    std::vector<uint8_t> field((text.size() + 1) * 2, 0);  // every UTF-8 byte yields at most one unit
    PutUtf16Field(field.data(), field.size(), text);
    size_t n = 0;
    while (n + 1 < field.size() && (field[n] != 0 || field[n + 1] != 0)) n += 2;
    r.resize(at + n + 2, 0);
    std::memcpy(r.data() + at, field.data(), n);
}

struct TypeEntry {
    const char* name;
    uint8_t subType;
    uint8_t byte1;
};

const TypeEntry kTypes[] = {
    {"WEBESCORT", DS_WEB_ESCORT, kKindMarker},
    {"WEBESCORT_ACTIVE", DS_WEB_ESCORT_ACTIVE, kKindMarker},
    {"WEBESCORT_SIZING", DS_WEB_ESCORT_SIZING, kKindMarker},
    {"WEBESCORT_USEDEFAULT", DS_WEB_ESCORT_USE_DEFAULT, kKindMarker},
    {"WEBESCORT_SCROLL", DS_WEB_ESCORT_SCROLL, kKindMarker},
    {"WEBESCORT_REQUEST", DS_WEB_ESCORT_REQUEST, kKindMarker},
    {"WEBESCORT_STOP", DS_WEB_ESCORT_STOP, kKindMarker},
    {"WEBESCORT_PAGE_INFO", DS_WEB_ESCORT_PAGE_INFO, kKindMarker},
    {"WEBESCORT_CLEAR", DS_WBRD_CLEAR, 1},
    {"WEBWBRD_MOUSE_POINT", DS_WBRD_MOUSE_POINT, 0},
    {"WEBESCORT_ZOOM", DS_WEB_ESCORT_ZOOM, 0},
    {"WEBESCORT_PMODE", DS_WEB_ESCORT_POINTER_MODE, 0},
    {"WEBESCORT_REQUEST2", DS_WEB_ESCORT_REQUEST2, 0},
    {"WEBWBRD_DATA", DS_WBRD_DATA, 0},
    {"WEBWBRD_CLEAR", DS_WBRD_CLEAR, 0},
};

DSBuild BuildEscort(const std::string& text, std::vector<uint8_t>& r) {
    std::vector<std::pair<std::string, std::string>> entries;  // name, address
    entries.emplace_back(std::string(), Value(text, "Url:"));
    size_t pos = 0;
    std::string v;
    while (NextValue(text, "Target:", pos, v)) {
        if (entries.size() > DS_MAX_TARGETS) return DSBuild::TooLarge;
        const size_t comma = v.find(',');
        if (comma == std::string::npos)
            entries.emplace_back(std::string(), v);
        else
            entries.emplace_back(CQuorixControl::Trim(v.substr(0, comma)),
                                 CQuorixControl::Trim(v.substr(comma + 1)));
    }
    r.resize(DS_ENTRIES_AT + DS_ENTRY_SIZE * entries.size(), 0);
    for (size_t i = 0; i < entries.size(); ++i) {
        uint8_t* e = r.data() + DS_ENTRIES_AT + i * DS_ENTRY_SIZE;
        PutUtf16Field(e, kNameField, entries[i].first);
        PutUtf16Field(e + kNameField, kAddressField, entries[i].second);
    }
    return DSBuild::Ok;
}

DSBuild BuildWhiteboard(const std::string& text, std::vector<uint8_t>& r) {
    int32_t x = 0, y = 0;
    if (!Pair(Value(text, "Scroll:"), x, y)) return DSBuild::Invalid;
    const std::string color = Value(text, "Color:");
    const size_t c1 = color.find(',');
    const size_t c2 = c1 == std::string::npos ? std::string::npos : color.find(',', c1 + 1);
    if (c2 == std::string::npos) return DSBuild::Invalid;
    std::vector<std::pair<int32_t, int32_t>> points;
    size_t pos = 0;
    std::string v;
    while (NextValue(text, "Pos:", pos, v)) {
        if (points.size() == DS_MAX_POINTS) return DSBuild::TooLarge;
        int32_t px = 0, py = 0;
        if (!Pair(v, px, py)) return DSBuild::Invalid;
        points.emplace_back(px, py);
    }
    r.resize(kPointAt + 4 * points.size(), 0);
    PutI32(r, 1, x);
    PutI32(r, 5, y);
    r[9] = uint8_t(DecimalValue(Value(text, "Style:")));
    r[10] = uint8_t(DecimalValue(Value(text, "Width:")));
    r[11] = uint8_t(DecimalValue(CQuorixControl::Trim(color.substr(0, c1))));
    r[12] = uint8_t(DecimalValue(CQuorixControl::Trim(color.substr(c1 + 1, c2 - c1 - 1))));
    r[13] = uint8_t(DecimalValue(CQuorixControl::Trim(color.substr(c2 + 1))));
    for (size_t i = 0; i < points.size(); ++i) {
        PutLE16(r.data() + kPointAt + 4 * i, uint16_t(points[i].first));
        PutLE16(r.data() + kPointAt + 4 * i + 2, uint16_t(points[i].second));
    }
    return DSBuild::Ok;
}

// A pair, or one value for both coordinates.
void PairOrSingle(const std::string& v, int32_t& a, int32_t& b) {
    if (!Pair(v, a, b)) a = b = DecimalValue(v);
}

}  // namespace

uint32_t DocShareTarget(const std::string& text) {
    const std::string key = Value(text, "Key:");
    return key.empty() ? VPEX_TARGET_ALL : uint32_t(DecimalValue(key));
}

DSBuild BuildDocShareRecord(const std::string& text, const std::string& ownUserId, std::vector<uint8_t>& r,
                            uint32_t& target) {
    r.clear();
    const std::string type = Value(text, "Type:");
    const TypeEntry* entry = nullptr;
    for (const TypeEntry& t : kTypes)
        if (type == t.name) entry = &t;
    if (entry == nullptr) return DSBuild::UnknownType;
    target = DocShareTarget(text);
    r.assign(2, 0);
    r[0] = entry->subType;
    r[1] = entry->byte1;
    DSBuild result = DSBuild::Ok;
    int32_t a = 0, b = 0;
    switch (entry->subType) {
        case DS_WEB_ESCORT:
        case DS_WEB_ESCORT_ACTIVE:
            result = BuildEscort(text, r);
            break;
        case DS_WEB_ESCORT_SIZING:
            if (!Pair(Value(text, "Size:"), a, b)) {
                result = DSBuild::Invalid;
                break;
            }
            r.resize(130, 0);
            PutUtf16Text(r, 130, CQuorixControl::cFormat("x: %d y:%d", a, b));
            break;
        case DS_WEB_ESCORT_SCROLL:
            if (!Pair(Value(text, "Scroll:"), a, b)) {
                result = DSBuild::Invalid;
                break;
            }
            PutUtf16Text(r, 2, CQuorixControl::cFormat("x: %d y:%d", a, b));
            break;
        case DS_WEB_ESCORT_USE_DEFAULT:
            r.resize(130, 0);
            break;
        case DS_WEB_ESCORT_PAGE_INFO: {
            r.resize(kPageInfoSize, 0);
            PutI32(r, 2, DecimalValue(Value(text, "Page:")));
            const std::string url = Value(text, "Url:");
            std::memcpy(r.data() + 6, url.data(), std::min(url.size(), kPageUrlField));
            break;
        }
        case DS_WBRD_CLEAR:
            r.resize(2 + kUserField, 0);
            PutUtf16Field(r.data() + 2, kUserField, ownUserId);
            break;
        case DS_WBRD_DATA:
            result = BuildWhiteboard(text, r);
            break;
        case DS_WBRD_MOUSE_POINT: {
            r.resize(kMousePointSize, 0);
            int32_t px = 0, py = 0;
            PairOrSingle(Value(text, "ScrollPoint:"), a, b);
            PairOrSingle(Value(text, "MousePoint:"), px, py);
            PutI32(r, 1, a);
            PutI32(r, 5, b);
            PutUtf16Field(r.data() + 9, kUserField, Value(text, "UserName:"));
            PutI32(r, 137, px);
            PutI32(r, 141, py);
            break;
        }
        case DS_WEB_ESCORT_ZOOM: {
            // The key is written without its colon: the value begins with it.
            std::string v = Value(text, "ZoomRate");
            v = CQuorixControl::Trim(v.empty() ? v : v.substr(1));
            PutUtf16Text(r, 2, CQuorixControl::cFormat("%d", DecimalValue(v)));
            break;
        }
        case DS_WEB_ESCORT_POINTER_MODE:
            PutUtf16Text(r, 2,
                         CQuorixControl::cFormat("%d %d", Value(text, "PointerMode:") == "TRUE" ? 1 : 0,
                                                 Value(text, "PaintMode:") == "TRUE" ? 1 : 0));
            break;
        default:  // request, stop, second request: the two leading bytes
            break;
    }
    if (result != DSBuild::Ok) r.clear();
    return result;
}

namespace {

// The UTF-16LE text at `at`, read within the body and within its 256-byte field.
std::string BodyText(const uint8_t* body, size_t len, size_t at) {
    if (len <= at) return std::string();
    return Utf16FieldText(body + at, std::min(kTextField, len - at));
}

// The two numbers of an "x: %d y:%d" text; false without " y:" or for a
// text of two characters or less.
bool XYText(const std::string& t, int32_t& x, int32_t& y) {
    const size_t at = t.find(" y:");
    if (t.size() <= 2 || at == std::string::npos || at < 2) return false;
    x = DecimalValue(t.substr(2, at - 2));
    y = DecimalValue(t.substr(at + 3));
    return true;
}

int32_t I32(const uint8_t* p) {
    return int32_t(GetLE32(p));
}

}  // namespace

bool DocShareSubTypeLogged(uint8_t subType) {
    switch (subType) {
        case DS_WBRD_CLEAR:
        case DS_WEB_ESCORT:
        case DS_WEB_ESCORT_ACTIVE:
        case DS_WEB_ESCORT_USE_DEFAULT:
        case DS_WEB_ESCORT_REQUEST:
        case DS_WEB_ESCORT_STOP:
        case DS_WEB_ESCORT_PAGE_INFO:
        case DS_WEB_ESCORT_POINTER_MODE:
            return true;
        default:
            return false;
    }
}

DSParse DocShareRecordToText(const uint8_t* body, size_t len, uint32_t sender, std::string& text) {
    using C = CQuorixControl;
    if (body == nullptr || len < 2) return DSParse::Broken;
    int32_t x = 0, y = 0;
    switch (body[0]) {
        case DS_WBRD_DATA: {
            if (len < kPointAt) return DSParse::Broken;
            text = "Type: WEBWBRD_DATA\r\n";
            text += C::cFormat("Scroll: %d,%d\r\n", I32(body + 1), I32(body + 5));
            text += C::cFormat("Style: %d\r\n", body[9]);
            text += C::cFormat("Width: %d\r\n", body[10]);
            text += C::cFormat("Color: %d,%d,%d\r\n", body[11], body[12], body[13]);
            for (size_t at = kPointAt; at + 4 <= len; at += 4)
                text += C::cFormat("Pos: %d,%d\r\n", GetLE16(body + at), GetLE16(body + at + 2));
            break;
        }
        case DS_WBRD_CLEAR:
            text = body[1] == 1 ? "Type: WEBESCORT_CLEAR\r\n" : "Type: WEBWBRD_CLEAR\r\n";
            break;
        case DS_WEB_ESCORT:
        case DS_WEB_ESCORT_ACTIVE: {
            text = body[0] == DS_WEB_ESCORT ? "Type: WEBESCORT\r\n" : "Type: WEBESCORT_ACTIVE\r\n";
            const size_t entries = len > DS_ENTRIES_AT ? (len - DS_ENTRIES_AT) / DS_ENTRY_SIZE : 0;
            for (size_t i = 0; i < entries; ++i) {
                const uint8_t* e = body + DS_ENTRIES_AT + i * DS_ENTRY_SIZE;
                const std::string address = Utf16FieldText(e + kNameField, kAddressField);
                if (i == 0)
                    text += "Url: " + address + "\r\n";
                else
                    text += "Target: " + Utf16FieldText(e, kNameField) + "," + address + "\r\n";
            }
            break;
        }
        case DS_WEB_ESCORT_SCROLL:
            if (!XYText(BodyText(body, len, 2), x, y)) return DSParse::Ignored;
            text = "Type: WEBESCORT_SCROLL\r\n" + C::cFormat("ScrollSize: %d,%d\r\n", x, y);
            break;
        case DS_WEB_ESCORT_USE_DEFAULT:
            text = "Type: WEBESCORT_USEDEFAULT\r\n";
            break;
        case DS_WEB_ESCORT_SIZING:
            if (!XYText(BodyText(body, len, 130), x, y)) return DSParse::Ignored;
            text = "Type: WEBESCORT_SIZING\r\n" + C::cFormat("Size: %d,%d\r\n", x, y);
            break;
        case DS_WEB_ESCORT_REQUEST:
            text = "Type: WEBESCORT_REQUEST\r\n" + C::cFormat("Key: %u\r\n", sender);
            break;
        case DS_WEB_ESCORT_STOP:
            text = "Type: WEBESCORT_STOP\r\n";
            break;
        case DS_WEB_ESCORT_PAGE_INFO: {
            if (len < 6) return DSParse::Broken;
            const std::string url = VpexFieldText(body + 6, std::min(kPageUrlField, len - 6));
            text = "Type: WEBESCORT_PAGE_INFO\r\nUrl: " + url + "\r\n" +
                   C::cFormat("Page: %d\r\n", I32(body + 2));
            break;
        }
        case DS_WBRD_MOUSE_POINT:
            if (len < kMousePointSize) return DSParse::Broken;
            text = "Type: WEBWBRD_MOUSE_POINT\r\n";
            text += C::cFormat("ScrollPoint: %d,%d\r\n", I32(body + 1), I32(body + 5));
            text += "UserName: " + Utf16FieldText(body + 9, kUserField) + "\r\n";
            text += C::cFormat("MousePoint: %lu,%lu\r\n", static_cast<unsigned long>(GetLE32(body + 137)),
                               static_cast<unsigned long>(GetLE32(body + 141)));
            break;
        case DS_WEB_ESCORT_ZOOM:
            text = "Type: WEBESCORT_ZOOM\r\n" +
                   C::cFormat("ZoomRate: %d\r\n", DecimalValue(BodyText(body, len, 2)));
            break;
        case DS_WEB_ESCORT_POINTER_MODE: {
            const std::string t = BodyText(body, len, 2);
            const bool pointer = !t.empty() && DecimalValue(t.substr(0, 1)) != 0;
            const bool paint = t.size() > 2 && DecimalValue(t.substr(2, 1)) != 0;
            text = "Type: WEBESCORT_PMODE\r\n";
            text += std::string("PointerMode: ") + (pointer ? "TRUE" : "FALSE") + "\r\n";
            text += std::string("PaintMode: ") + (paint ? "TRUE" : "FALSE") + "\r\n";
            break;
        }
        case DS_WEB_ESCORT_REQUEST2:
            text = "Type: WEBESCORT_REQUEST2\r\n";
            break;
        default:
            return DSParse::Ignored;
    }
    text += "\r\n";
    return DSParse::Ok;
}

std::vector<uint8_t> BuildDocShareCommand(uint16_t command) {
    std::vector<uint8_t> r(DS_COMMAND_SIZE, 0);
    PutLE16(r.data(), command);
    return r;
}

bool ParseDocShareCommand(const uint8_t* body, size_t len, DS_COMMAND& out) {
    if (body == nullptr || len < 2) return false;
    out = DS_COMMAND{};
    out.command = GetLE16(body);
    if (out.command == DS_CMD_START_RESULT) {
        if (len < 6) return false;
        out.result = int16_t(GetLE16(body + 4));
    } else if (out.command == DS_CMD_START_NOTICE) {
        if (len < 104) return false;
        out.userId = VpexFieldText(body + 8, 48);
        out.userName = VpexFieldText(body + 56, 47);
    }
    return true;
}
