#include "control/RelayRecords.h"

#include <json-c/json.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "common/StringUtil.h"
#include "control/ConfProtocol.h"
#include "control/QuorixControl.h"
#include "control/VpexProtocol.h"

void PutUtf16Field(uint8_t* field, size_t size, const std::string& text) {
    std::memset(field, 0, size);
    if (!text.empty()) UTF8ToUTF16(text.data(), int(text.size()), field, int(size));
}

std::string Utf16FieldText(const uint8_t* field, size_t size) {
    size_t units = 0;
    while (units * 2 + 1 < size && (field[units * 2] != 0 || field[units * 2 + 1] != 0)) ++units;
    if (units == 0) return std::string();
    std::vector<char> out(units * 3 + 1, 0);
    UTF16ToUTF8(field, int(units * 2), out.data(), int(out.size()));
    return std::string(out.data());
}

int32_t DecimalValue(const std::string& text) {
    return int32_t(std::strtol(text.c_str(), nullptr, 10));
}

namespace {

std::string Value(const std::string& block, const char* key) {
    std::string v;
    CQuorixControl::GetContent(block, key, v, 0);
    return v;
}

uint8_t Flag(const std::string& block, const char* key) {
    return Value(block, key) == "TRUE" ? 1 : 0;
}

// "r, g, b" as red + green * 256 + blue * 65536; false without two commas.
bool ParseColor(const std::string& v, uint32_t& color) {
    const size_t c1 = v.find(',');
    const size_t c2 = c1 == std::string::npos ? std::string::npos : v.find(',', c1 + 1);
    if (c2 == std::string::npos) {
        color = 0;
        return false;
    }
    const uint32_t r = uint32_t(DecimalValue(CQuorixControl::Trim(v.substr(0, c1))));
    const uint32_t g = uint32_t(DecimalValue(CQuorixControl::Trim(v.substr(c1 + 1, c2 - c1 - 1))));
    const uint32_t b = uint32_t(DecimalValue(CQuorixControl::Trim(v.substr(c2 + 1))));
    color = r + g * 256 + b * 65536;
    return true;
}

void PutI32(uint8_t* p, int32_t v) {
    PutLE32(p, uint32_t(v));
}

int32_t GetI32(const uint8_t* p) {
    return int32_t(GetLE32(p));
}

}  // namespace

std::vector<uint8_t> BuildTextBoxRecord(const std::string& block, bool& badColor) {
    badColor = false;
    const std::string type = Value(block, "Type:");
    int32_t kind;
    if (type == "TEXTBOXMESSAGE")
        kind = TEXT_KIND_DATA;
    else if (type == "TEXTBOXACTIVEWINDOW")
        kind = TEXT_KIND_ACTIVE;
    else
        return {};
    std::vector<uint8_t> r(TEXTBOX_FIXED_SIZE, 0);
    uint8_t* p = r.data();
    PutI32(p, kind);
    PutUtf16Field(p + 4, TEXTBOX_TEXT_FIELD, Value(block, "SrceUserID:"));
    PutUtf16Field(p + 100, TEXTBOX_TEXT_FIELD, Value(block, "SrceUserName:"));
    if (kind == TEXT_KIND_ACTIVE) return r;

    PutI32(p + 196, DecimalValue(Value(block, "FontHeight:")));
    PutI32(p + 200, DecimalValue(Value(block, "FontWidth:")));
    PutI32(p + 204, DecimalValue(Value(block, "FontEscapement:")));
    PutI32(p + 208, DecimalValue(Value(block, "FontOrientation:")));
    PutI32(p + 212, Value(block, "FontWeight:") == "TRUE" ? 700 : 0);
    p[216] = Flag(block, "FontItalic:");
    p[217] = Flag(block, "FontUnderline:");
    p[218] = Flag(block, "FontStrikeOut:");
    p[219] = uint8_t(DecimalValue(Value(block, "FontCharSet:")));
    p[220] = uint8_t(DecimalValue(Value(block, "FontOutPrecision:")));
    p[221] = uint8_t(DecimalValue(Value(block, "FontClipPrecision:")));
    p[222] = uint8_t(DecimalValue(Value(block, "FontQuality:")));
    p[223] = uint8_t(DecimalValue(Value(block, "FontPitchAndFamily:")));
    PutUtf16Field(p + 224, TEXTBOX_FACE_FIELD, Value(block, "FontFaceName:"));
    uint32_t color = 0;
    badColor = !ParseColor(Value(block, "FontColor:"), color);
    PutLE32(p + 288, color);
    PutLE16(p + 292, uint16_t(DecimalValue(Value(block, "FontSize:"))));

    std::string message;
    CQuorixControl::GetContent2(block, "Message: ", message, block.size(), 0);
    std::string crlf;
    CQuorixControl::ConvertCRorLFtoCRLF(message, crlf);
    uint8_t area[TEXTBOX_MESSAGE_AREA];
    PutUtf16Field(area, sizeof area, crlf);
    size_t n = TEXTBOX_MESSAGE_AREA;
    for (size_t i = 0; i + 1 < TEXTBOX_MESSAGE_AREA; i += 2) {
        if (area[i] == 0 && area[i + 1] == 0) {
            n = i + 2;
            break;
        }
    }
    r.insert(r.end(), area, area + n);
    return r;
}

std::vector<uint8_t> BuildTextBoxActiveRecord(const char* userId, const char* userName) {
    std::vector<uint8_t> r(TEXTBOX_FIXED_SIZE, 0);
    PutI32(r.data(), TEXT_KIND_ACTIVE);
    PutUtf16Field(r.data() + 4, TEXTBOX_TEXT_FIELD, userId != nullptr ? userId : "");
    PutUtf16Field(r.data() + 100, TEXTBOX_TEXT_FIELD, userName != nullptr ? userName : "");
    return r;
}

bool ParseTextBoxRecord(const uint8_t* body, size_t len, TEXTBOX_RECORD& out) {
    if (body == nullptr || len < TEXTBOX_FIXED_SIZE) return false;
    out = TEXTBOX_RECORD{};
    out.kind = GetI32(body);
    out.userId = Utf16FieldText(body + 4, TEXTBOX_TEXT_FIELD);
    out.userName = Utf16FieldText(body + 100, TEXTBOX_TEXT_FIELD);
    TEXTBOX_FONT& f = out.font;
    f.height = GetI32(body + 196);
    f.width = GetI32(body + 200);
    f.escapement = GetI32(body + 204);
    f.orientation = GetI32(body + 208);
    f.weight = GetI32(body + 212);
    f.italic = body[216];
    f.underline = body[217];
    f.strikeOut = body[218];
    f.charSet = body[219];
    f.outPrecision = body[220];
    f.clipPrecision = body[221];
    f.quality = body[222];
    f.pitchAndFamily = body[223];
    f.faceName = Utf16FieldText(body + 224, TEXTBOX_FACE_FIELD);
    f.color = GetLE32(body + 288);
    f.size = GetLE16(body + 292);
    out.message = Utf16FieldText(body + TEXTBOX_FIXED_SIZE, len - TEXTBOX_FIXED_SIZE);
    return true;
}

std::string TextBoxFontJson(const TEXTBOX_FONT& f) {
    json_object* info = json_object_new_object();
    const auto add = [info](const char* key, int32_t v) {
        json_object_object_add(info, key, json_object_new_int(v));
    };
    add("FontHeight", f.height);
    add("FontEscapement", f.escapement);
    add("FontOrientation", f.orientation);
    add("FontWeight", f.weight);
    add("FontWidth", f.width);
    add("FontItalic", f.italic);
    add("FontUnderLine", f.underline);
    add("FontStrikeOut", f.strikeOut);
    add("FontCharSet", f.charSet);
    add("FontOutPrecision", f.outPrecision);
    add("FontClipPrecision", f.clipPrecision);
    add("FontQuality:", f.quality);
    add("FontPitchAndFamily", f.pitchAndFamily);
    json_object_object_add(info, "FontFaceName", json_object_new_string(f.faceName.c_str()));
    // The whole colour value (its top byte alone would always be 0).
    json_object_object_add(info, "FontColor", json_object_new_int64(int64_t(f.color)));
    add("FontSize", f.size);
    json_object* root = json_object_new_object();
    json_object_object_add(root, "FontInfoKey", info);
    std::string text = json_object_to_json_string(root);
    json_object_put(root);
    return text;
}

std::vector<uint8_t> BuildManyMtgRecord(const MANY_MTG_RECORD& r) {
    const size_t entries = std::min(r.userIds.size(), r.userNames.size());
    std::vector<uint8_t> b(MANY_MTG_FIXED_SIZE + entries * MANY_MTG_ENTRY_SIZE, 0);
    PutLE16(b.data(), r.command);
    PutLE16(b.data() + 2, uint16_t(entries * MANY_MTG_ENTRY_SIZE));
    PutLE16(b.data() + 4, uint16_t(r.code));
    PutLE16(b.data() + 6, uint16_t(r.subCode));
    for (size_t i = 0; i < entries; ++i) {
        char* e = reinterpret_cast<char*>(b.data() + MANY_MTG_FIXED_SIZE + i * MANY_MTG_ENTRY_SIZE);
        CopyTextField(e, 48, r.userIds[i].c_str());
        CopyTextField(e + 48, 48, r.userNames[i].c_str());
    }
    return b;
}

bool ParseManyMtgRecord(const uint8_t* body, size_t len, MANY_MTG_RECORD& out) {
    if (body == nullptr || len < MANY_MTG_FIXED_SIZE) return false;
    out = MANY_MTG_RECORD{};
    out.command = GetLE16(body);
    const size_t claimed = GetLE16(body + 2) / MANY_MTG_ENTRY_SIZE;
    const size_t held = (len - MANY_MTG_FIXED_SIZE) / MANY_MTG_ENTRY_SIZE;
    out.code = int16_t(GetLE16(body + 4));
    out.subCode = int16_t(GetLE16(body + 6));
    const size_t count = std::min(claimed, held);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* e = body + MANY_MTG_FIXED_SIZE + i * MANY_MTG_ENTRY_SIZE;
        out.userIds.push_back(VpexFieldText(e, 48));
        out.userNames.push_back(VpexFieldText(e + 48, 48));
    }
    return true;
}

std::vector<uint8_t> BuildPermissionRecord(const PERMISSION_RECORD& r) {
    const bool rep = r.command == PERMISSION_CMD_REP;
    std::vector<uint8_t> b(rep ? PERMISSION_REP_SIZE : PERMISSION_SIZE, 0);
    PutI32(b.data(), r.command);
    PutI32(b.data() + 4, r.code);
    CopyTextField(reinterpret_cast<char*>(b.data() + 8), 48, r.addresseeId.c_str());
    CopyTextField(reinterpret_cast<char*>(b.data() + 56), 48, r.senderId.c_str());
    if (rep) {
        PutI32(b.data() + 104, r.functionFlags);
        PutI32(b.data() + 108, r.permitFlags);
    }
    return b;
}

bool ParsePermissionRecord(const uint8_t* body, size_t len, PERMISSION_RECORD& out) {
    if (body == nullptr || len < PERMISSION_SIZE) return false;
    out = PERMISSION_RECORD{};
    out.command = GetI32(body);
    out.code = GetI32(body + 4);
    out.addresseeId = VpexFieldText(body + 8, 47);
    out.senderId = VpexFieldText(body + 56, 47);
    if (len >= PERMISSION_REP_SIZE) {
        out.functionFlags = GetI32(body + 104);
        out.permitFlags = GetI32(body + 108);
    }
    return true;
}

std::vector<uint8_t> BuildCloudRecRecord(int32_t first, int32_t second, const char* userId,
                                         const char* userName, const char* optionsJson, const char* relayHost,
                                         bool start) {
    std::string options;
    if (start) {
        json_object* obj = json_tokener_parse(optionsJson != nullptr ? optionsJson : "");
        if (obj == nullptr || !json_object_is_type(obj, json_type_object)) {
            if (obj != nullptr) json_object_put(obj);
            return {};
        }
        json_object_object_del(obj, "addr");
        json_object_object_add(obj, "addr", json_object_new_string(relayHost != nullptr ? relayHost : ""));
        options = json_object_to_json_string_ext(obj, JSON_C_TO_STRING_PRETTY);
        json_object_put(obj);
    }
    std::vector<uint8_t> b(104 + options.size(), 0);
    PutI32(b.data(), first);
    PutI32(b.data() + 4, second);
    CopyTextField(reinterpret_cast<char*>(b.data() + 8), 48, userId);
    CopyTextField(reinterpret_cast<char*>(b.data() + 56), 48, userName);
    if (!options.empty()) std::memcpy(b.data() + 104, options.data(), options.size());
    return b;
}
