#include "profile/profile_fields.h"

#include "platform/codepage.h"

#include <cstring>

namespace vexlo {
namespace {

constexpr std::size_t widthOfKind(FieldKind kind)
{
    switch (kind) {
    case FieldKind::Tag16:
        return 16;
    case FieldKind::Float32:
    case FieldKind::Int32:
        return 4;
    case FieldKind::Reserved32:
        return 32;
    case FieldKind::Text256:
        return kProfileTextSize;
    case FieldKind::TimeOfDay:
    case FieldKind::DateTime:
        return 12;
    case FieldKind::Mask64:
        return kMotionRegionCells;
    case FieldKind::Unknown:
        break;
    }
    return 0;
}

// Rows in record order, each starting where the previous one ends, the first at
// 0 and the last ending at the record's end: then every byte of the record
// belongs to exactly one row and no member was left out of the table.
constexpr bool rowsCoverRecordExactly()
{
    std::size_t next = 0;
    for (const ProfileField& field : kProfileFields) {
        if (field.offset != next)
            return false;
        next = field.offset + field.width;
    }
    return next == kProfileSize;
}

constexpr bool everyKindKnownAndSized()
{
    for (const ProfileField& field : kProfileFields)
        if (field.kind == FieldKind::Unknown || widthOfKind(field.kind) != field.width)
            return false;
    return true;
}

constexpr bool namesUnique()
{
    for (std::size_t i = 0; i < kProfileFields.size(); ++i)
        for (std::size_t j = i + 1; j < kProfileFields.size(); ++j)
            if (kProfileFields[i].name == kProfileFields[j].name)
                return false;
    return true;
}

static_assert(rowsCoverRecordExactly(), "the field table must cover ConfigProfile without gaps");
static_assert(everyKindKnownAndSized(), "every field table row needs a known kind of its width");
static_assert(namesUnique(), "field table names must be unique");

bool rowFits(const ProfileField& field)
{
    return field.offset <= kProfileSize && field.width <= kProfileSize - field.offset;
}

bool isKind(const ProfileField& field, FieldKind kind)
{
    return field.kind == kind && field.width == widthOfKind(kind) && rowFits(field);
}

template <typename Value>
Value readAs(const ConfigProfile& profile, const ProfileField& field, FieldKind kind)
{
    Value value{};
    if (isKind(field, kind))
        std::memcpy(&value, reinterpret_cast<const std::byte*>(&profile) + field.offset,
                    sizeof(Value));
    return value;
}

template <typename Value>
bool writeAs(ConfigProfile& profile, const ProfileField& field, FieldKind kind, const Value& value)
{
    if (!isKind(field, kind))
        return false;
    std::memcpy(reinterpret_cast<std::byte*>(&profile) + field.offset, &value, sizeof(Value));
    return true;
}

char* textField(ConfigProfile& profile, const ProfileField& field)
{
    return reinterpret_cast<char*>(&profile) + field.offset;
}

const char* textField(const ConfigProfile& profile, const ProfileField& field)
{
    return reinterpret_cast<const char*>(&profile) + field.offset;
}

} // namespace

const ProfileField* findProfileField(std::string_view name)
{
    for (const ProfileField& field : kProfileFields)
        if (field.name == name)
            return &field;
    return nullptr;
}

std::span<std::byte> fieldBytes(ConfigProfile& profile, const ProfileField& field)
{
    if (!rowFits(field))
        return {};
    return {reinterpret_cast<std::byte*>(&profile) + field.offset, field.width};
}

std::span<const std::byte> fieldBytes(const ConfigProfile& profile, const ProfileField& field)
{
    if (!rowFits(field))
        return {};
    return {reinterpret_cast<const std::byte*>(&profile) + field.offset, field.width};
}

std::int32_t readInt32(const ConfigProfile& profile, const ProfileField& field)
{
    return readAs<std::int32_t>(profile, field, FieldKind::Int32);
}

bool writeInt32(ConfigProfile& profile, const ProfileField& field, std::int32_t value)
{
    return writeAs(profile, field, FieldKind::Int32, value);
}

std::string_view readText(const ConfigProfile& profile, const ProfileField& field)
{
    if (!isKind(field, FieldKind::Text256))
        return {};
    return fieldText(textField(profile, field), field.width);
}

bool writeText(ConfigProfile& profile, const ProfileField& field, std::string_view gbk)
{
    if (!isKind(field, FieldKind::Text256))
        return false;
    copyToField(textField(profile, field), field.width, gbk);
    return true;
}

std::u16string readTextUtf16(const ConfigProfile& profile, const ProfileField& field)
{
    return gbkToUtf16(readText(profile, field));
}

bool writeTextUtf16(ConfigProfile& profile, const ProfileField& field, std::u16string_view text)
{
    if (!isKind(field, FieldKind::Text256))
        return false;
    copyUtf16ToField(textField(profile, field), field.width, text);
    return true;
}

TimeOfDay readTimeOfDay(const ConfigProfile& profile, const ProfileField& field)
{
    return readAs<TimeOfDay>(profile, field, FieldKind::TimeOfDay);
}

bool writeTimeOfDay(ConfigProfile& profile, const ProfileField& field, const TimeOfDay& value)
{
    return writeAs(profile, field, FieldKind::TimeOfDay, value);
}

ProfileDateTime readDateTime(const ConfigProfile& profile, const ProfileField& field)
{
    return readAs<ProfileDateTime>(profile, field, FieldKind::DateTime);
}

bool writeDateTime(ConfigProfile& profile, const ProfileField& field, const ProfileDateTime& value)
{
    return writeAs(profile, field, FieldKind::DateTime, value);
}

} // namespace vexlo
