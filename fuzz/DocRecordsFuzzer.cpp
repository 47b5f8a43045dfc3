// The relay's record formats read on their own: document-sharing records
// (the text message of each sub-type, start and stop commands), text-box
// records (message, names, font), many-meeting and permission records, and
// the UTF-16 text fields they share. The text a document-sharing record gives
// is built into a record again, as the client does when it forwards one.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "control/DocShareRecords.h"
#include "control/RelayRecords.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint32_t sender =
        size >= 4 ? uint32_t(data[0] | data[1] << 8 | data[2] << 16 | uint32_t(data[3]) << 24) : 0;

    std::string text;
    if (DocShareRecordToText(data, size, sender, text) == DSParse::Ok) {
        quorix::fuzz::Touch(text.c_str());
        std::vector<uint8_t> record;
        uint32_t target = 0;
        BuildDocShareRecord(text, "fuzz-user", record, target);
        quorix::fuzz::TouchBytes(record.data(), int(record.size()));
    }
    DS_COMMAND command;
    if (ParseDocShareCommand(data, size, command)) {
        quorix::fuzz::Touch(command.userId.c_str());
        quorix::fuzz::Touch(command.userName.c_str());
    }

    TEXTBOX_RECORD box;
    if (ParseTextBoxRecord(data, size, box)) {
        quorix::fuzz::Touch(box.userId.c_str());
        quorix::fuzz::Touch(box.userName.c_str());
        quorix::fuzz::Touch(box.message.c_str());
        quorix::fuzz::Touch(TextBoxFontJson(box.font).c_str());
    }
    MANY_MTG_RECORD many;
    if (ParseManyMtgRecord(data, size, many)) quorix::fuzz::Count(1);
    PERMISSION_RECORD permission;
    if (ParsePermissionRecord(data, size, permission)) quorix::fuzz::Count(1);

    // The same bytes as a text message of the sending side, and as a field.
    const std::string message(reinterpret_cast<const char*>(data), size);
    std::vector<uint8_t> record;
    uint32_t target = 0;
    BuildDocShareRecord(message, "fuzz-user", record, target);
    DocShareTarget(message);
    quorix::fuzz::Touch(Utf16FieldText(data, size & ~size_t(1)).c_str());
    DecimalValue(message);
    return 0;
}
