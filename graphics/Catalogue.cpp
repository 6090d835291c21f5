// SPDX-License-Identifier: GPL-3.0-or-later
#include "graphics/Catalogue.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <string_view>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

enum ValueType : std::uint8_t {
    vaNull = 0,
    vaList = 1,
    vaInt8 = 2,
    vaInt16 = 3,
    vaInt32 = 4,
    vaString = 6,
    vaIdent = 7,
    vaFalse = 8,
    vaTrue = 9,
    vaBinary = 10,
    vaCollection = 14,
};

[[noreturn]] void Invalid(const std::string& what) {
    throw EStoredDescriptionError("Stored description is invalid: " + what);
}

// Bounds-checked reading of the stored bytes.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> data) : data_(data) {}

    bool AtEnd() const { return pos_ == data_.size(); }
    std::size_t Remaining() const { return data_.size() - pos_; }

    std::uint8_t Byte() {
        Need(1);
        return data_[pos_++];
    }
    std::uint8_t PeekByte() {
        Need(1);
        return data_[pos_];
    }
    std::int32_t Int(int bytes) {
        Need(bytes);
        std::uint32_t value = 0;
        for (int i = 0; i < bytes; ++i)
            value |= std::uint32_t(data_[pos_ + i]) << (8 * i);
        pos_ += bytes;
        // Sign-extend the 8- and 16-bit forms.
        const int unused = 32 - 8 * bytes;
        if (unused > 0 && (value & (1u << (8 * bytes - 1))))
            value |= ~0u << (8 * bytes);
        return static_cast<std::int32_t>(value);
    }
    std::string ShortString() {
        const std::size_t length = Byte();
        Need(length);
        std::string text(reinterpret_cast<const char*>(data_.data() + pos_), length);
        pos_ += length;
        return text;
    }
    ByteBlock Block() {
        const std::uint32_t count = static_cast<std::uint32_t>(Int(4));
        Need(count);
        ByteBlock bytes(data_.begin() + pos_, data_.begin() + pos_ + count);
        pos_ += count;
        return bytes;
    }
    void Expect(std::string_view text) {
        Need(text.size());
        if (std::string_view(reinterpret_cast<const char*>(data_.data() + pos_), text.size()) !=
            text)
            Invalid("no signature \"" + std::string(text) + "\"");
        pos_ += text.size();
    }

private:
    void Need(std::size_t count) const {
        if (count > Remaining())
            Invalid("the data end too early");
    }

    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
};

// A property value as stored.
struct Value {
    ValueType Type = vaNull;
    std::int32_t Int = 0;
    std::string Text;                                              // string or identifier
    ByteBlock Bytes;                                               // byte block
    std::vector<std::vector<std::pair<std::string, Value>>> Items; // collection
};
using Properties = std::vector<std::pair<std::string, Value>>;

struct Object {
    std::string ClassName;
    std::string Name;
    Properties Props;
    std::vector<Object> Children;
};

// Collections and child objects nest; our description nests two levels, anything much deeper
// is malformed (and must not exhaust the stack).
constexpr int kMaxDepth = 8;

Properties ReadProperties(Reader& in, int depth);

Value ReadValue(Reader& in, int depth) {
    Value value;
    value.Type = static_cast<ValueType>(in.Byte());
    switch (value.Type) {
    case vaInt8:
        value.Int = in.Int(1);
        break;
    case vaInt16:
        value.Int = in.Int(2);
        break;
    case vaInt32:
        value.Int = in.Int(4);
        break;
    case vaString:
    case vaIdent:
        value.Text = in.ShortString();
        break;
    case vaFalse:
    case vaTrue:
        break;
    case vaBinary:
        value.Bytes = in.Block();
        break;
    case vaCollection:
        if (depth >= kMaxDepth)
            Invalid("values nested too deeply");
        while (in.PeekByte() != vaNull) {
            if (in.Byte() != vaList)
                Invalid("a collection item does not begin with a list marker");
            value.Items.push_back(ReadProperties(in, depth + 1));
        }
        in.Byte();
        break;
    default:
        Invalid("unknown value type " + std::to_string(int(value.Type)));
    }
    return value;
}

Properties ReadProperties(Reader& in, int depth) {
    Properties props;
    for (std::string name = in.ShortString(); !name.empty(); name = in.ShortString()) {
        Value value = ReadValue(in, depth);
        props.emplace_back(std::move(name), std::move(value));
    }
    return props;
}

Object ReadObject(Reader& in, int depth) {
    if (depth >= kMaxDepth)
        Invalid("objects nested too deeply");
    Object object;
    object.ClassName = in.ShortString();
    object.Name = in.ShortString();
    if (object.ClassName.empty())
        Invalid("an object without a class name");
    object.Props = ReadProperties(in, depth);
    while (in.PeekByte() != vaNull)
        object.Children.push_back(ReadObject(in, depth + 1));
    in.Byte();
    return object;
}

// Typed access to the properties of one object or collection item; every property must be
// known and appear once.
class PropertyReader {
public:
    PropertyReader(const Properties& props, std::string owner) : owner_(std::move(owner)) {
        for (const auto& [name, value] : props)
            if (!values_.emplace(name, &value).second)
                Invalid(owner_ + " stores \"" + name + "\" twice");
    }

    std::int32_t Integer(const std::string& name) {
        const Value& v = Required(name);
        if (v.Type != vaInt8 && v.Type != vaInt16 && v.Type != vaInt32)
            Invalid(Where(name) + " is not an integer");
        return v.Int;
    }
    bool Boolean(const std::string& name) {
        const Value& v = Required(name);
        if (v.Type != vaFalse && v.Type != vaTrue)
            Invalid(Where(name) + " is not a boolean");
        return v.Type == vaTrue;
    }
    std::string String(const std::string& name) {
        const Value& v = Required(name);
        if (v.Type != vaString)
            Invalid(Where(name) + " is not a string");
        return v.Text;
    }
    std::string Identifier(const std::string& name) {
        const Value& v = Required(name);
        if (v.Type != vaIdent)
            Invalid(Where(name) + " is not an identifier");
        return v.Text;
    }
    ByteBlock Bytes(const std::string& name) {
        const Value& v = Required(name);
        if (v.Type != vaBinary)
            Invalid(Where(name) + " is not a byte block");
        return v.Bytes;
    }
    const Value& Collection(const std::string& name) {
        const Value& v = Required(name);
        if (v.Type != vaCollection)
            Invalid(Where(name) + " is not a collection");
        return v;
    }
    // A colour: an integer value or the name of a colour.
    std::uint32_t Color(const std::string& name) {
        const Value& v = Required(name);
        if (v.Type == vaIdent)
            return NamedColor(v.Text, Where(name));
        if (v.Type != vaInt8 && v.Type != vaInt16 && v.Type != vaInt32)
            Invalid(Where(name) + " is not a colour");
        return static_cast<std::uint32_t>(v.Int);
    }
    // The names stored, in alphabetical order.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : values_)
            names.push_back(entry.first);
        return names;
    }
    // Every stored property must have been taken.
    void Done() const {
        for (const auto& [name, value] : values_)
            if (!taken_.contains(name))
                Invalid(owner_ + " stores an unknown property \"" + name + "\"");
    }

private:
    static std::uint32_t NamedColor(const std::string& ident, const std::string& where) {
        static const std::map<std::string, std::uint32_t> names = {
            {"clBlack", 0x000000}, {"clMaroon", 0x000080},    {"clGreen", 0x008000},
            {"clOlive", 0x008080}, {"clNavy", 0x800000},      {"clPurple", 0x800080},
            {"clTeal", 0x808000},  {"clGray", 0x808080},      {"clSilver", 0xC0C0C0},
            {"clRed", 0x0000FF},   {"clLime", 0x00FF00},      {"clYellow", 0x00FFFF},
            {"clBlue", 0xFF0000},  {"clFuchsia", 0xFF00FF},   {"clAqua", 0xFFFF00},
            {"clWhite", 0xFFFFFF}, {"clBtnFace", 0x8000000F}, {"clWindowText", 0x80000008},
        };
        const auto found = names.find(ident);
        if (found == names.end())
            Invalid(where + " names an unknown colour \"" + ident + "\"");
        return found->second;
    }
    std::string Where(const std::string& name) const { return owner_ + "." + name; }
    const Value& Required(const std::string& name) {
        const auto found = values_.find(name);
        if (found == values_.end())
            Invalid(owner_ + " has no \"" + name + "\"");
        taken_.emplace(name, true);
        return *found->second;
    }

    std::string owner_;
    std::map<std::string, const Value*> values_;
    std::map<std::string, bool> taken_;
};

StoredImageItem ReadImageItem(const Properties& props, const std::string& owner) {
    PropertyReader p(props, owner);
    StoredImageItem item;
    item.Name = p.String("Name");
    item.PatternWidth = p.Integer("PatternWidth");
    item.PatternHeight = p.Integer("PatternHeight");
    item.SkipWidth = p.Integer("SkipWidth");
    item.SkipHeight = p.Integer("SkipHeight");
    item.SystemMemory = p.Boolean("SystemMemory");
    item.Transparent = p.Boolean("Transparent");
    item.TransparentColor = p.Color("TransparentColor");
    item.PictureData = p.Bytes("Picture.Data");
    for (const std::string& name : p.Names()) {
        // "Picture<percent>.Data": the art drawn for that scale.
        constexpr std::string_view prefix = "Picture", suffix = ".Data";
        if (name.size() <= prefix.size() + suffix.size() || !name.starts_with(prefix) ||
            !name.ends_with(suffix))
            continue;
        const std::string digits =
            name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
        if (digits.size() > 3 ||
            !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            continue; // left for Done to name as unknown
        const int percent = std::stoi(digits);
        if (percent <= 100 || percent > 800)
            Invalid(owner + " stores art for a scale of " + digits + " percent");
        item.ScaledPictureData.emplace_back(percent, p.Bytes(name));
    }
    std::sort(item.ScaledPictureData.begin(), item.ScaledPictureData.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    p.Done();
    return item;
}

StoredImageList ReadImageList(const Object& object) {
    PropertyReader p(object.Props, object.Name);
    StoredImageList list;
    list.Name = object.Name;
    list.DXDraw = p.Identifier("DXDraw");
    list.ColorTable = p.Bytes("Items.ColorTable");
    if (list.ColorTable.size() != 1024)
        Invalid(object.Name + ".Items.ColorTable is not 256 colour entries");
    const Value& items = p.Collection("Items");
    for (std::size_t i = 0; i < items.Items.size(); ++i)
        list.Items.push_back(
            ReadImageItem(items.Items[i], object.Name + ".Items[" + std::to_string(i) + "]"));
    p.Done();
    return list;
}

StoredWaveList ReadWaveList(const Object& object) {
    PropertyReader p(object.Props, object.Name);
    StoredWaveList list;
    list.Name = object.Name;
    list.DXSound = p.Identifier("DXSound");
    const Value& items = p.Collection("Items");
    for (std::size_t i = 0; i < items.Items.size(); ++i) {
        PropertyReader q(items.Items[i], object.Name + ".Items[" + std::to_string(i) + "]");
        StoredWaveItem item;
        item.Name = q.String("Name");
        item.Looped = q.Boolean("Looped");
        item.MaxPlayingCount = q.Integer("MaxPlayingCount");
        item.Wave = q.Bytes("Wave.WAVE");
        q.Done();
        list.Items.push_back(std::move(item));
    }
    p.Done();
    return list;
}

void ReadMainForm(const Object& form, StoredDescription& description) {
    PropertyReader p(form.Props, form.Name);
    description.Icon = p.Bytes("Icon.Data");
    p.Done();
    bool haveWaveList = false;
    for (const Object& child : form.Children) {
        if (child.ClassName == "TDXImageList") {
            description.ImageLists.push_back(ReadImageList(child));
        } else if (child.ClassName == "TDXWaveList") {
            if (haveWaveList)
                Invalid("Form1 holds two sound lists");
            description.WaveList = ReadWaveList(child);
            haveWaveList = true;
        } else {
            Invalid("Form1 holds an unknown component of class " + child.ClassName);
        }
        if (!child.Children.empty())
            Invalid(child.Name + " holds components");
    }
    if (!haveWaveList)
        Invalid("Form1 holds no sound list");
}

void ReadCreditsForm(const Object& form, StoredDescription& description) {
    PropertyReader(form.Props, form.Name).Done();
    if (form.Children.size() != 1 || form.Children[0].ClassName != "TImage" ||
        form.Children[0].Name != "Image1" || !form.Children[0].Children.empty())
        Invalid("Form3 does not hold exactly its picture Image1");
    PropertyReader p(form.Children[0].Props, "Image1");
    description.CreditsPicture = p.Bytes("Picture.Data");
    p.Done();
}

} // namespace

const StoredImageList& StoredDescription::ImageList(int number) const {
    const std::string name = "DXImageList" + std::to_string(number);
    for (const StoredImageList& list : ImageLists)
        if (list.Name == name)
            return list;
    throw EStoredDescriptionError("Stored description has no " + name);
}

StoredDescription ReadStoredDescription(std::span<const std::uint8_t> data) {
    Reader in(data);
    StoredDescription description;
    bool haveMain = false;
    bool haveCredits = false;
    while (!in.AtEnd()) {
        in.Expect("TPF0");
        const Object form = ReadObject(in, 0);
        if (form.ClassName == "TForm1" && form.Name == "Form1" && !haveMain) {
            ReadMainForm(form, description);
            haveMain = true;
        } else if (form.ClassName == "TForm3" && form.Name == "Form3" && !haveCredits) {
            ReadCreditsForm(form, description);
            haveCredits = true;
        } else {
            Invalid("unexpected form " + form.Name + " of class " + form.ClassName);
        }
    }
    if (!haveMain || !haveCredits)
        Invalid("the main window or the credits window is missing");
    return description;
}

void ReleaseEmbeddedDescriptionMemory() {
#if defined(__linux__)
    // The bytes are constant data mapped from the program file: the pages lying wholly inside
    // them can be dropped, and are read in again from the file if they are touched.
    const std::span<const std::uint8_t> bytes = EmbeddedDescriptionBytes();
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pageSize <= 0)
        return;
    const auto page = static_cast<std::uintptr_t>(pageSize);
    const auto start = reinterpret_cast<std::uintptr_t>(bytes.data());
    const std::uintptr_t first = (start + page - 1) / page * page;
    const std::uintptr_t end = (start + bytes.size()) / page * page;
    if (end > first)
        madvise(reinterpret_cast<void*>(first), end - first, MADV_DONTNEED);
#endif
}
