#include "imaging/CreditFields.h"

#include "imaging/PreparationTexts.h"

#include <exiv2/error.hpp>
#include <exiv2/exif.hpp>
#include <exiv2/iptc.hpp>
#include <exiv2/jpgimage.hpp>
#include <exiv2/value.hpp>
#include <exiv2/xmp_exiv2.hpp>
#include <vips/vips8>

#include <algorithm>
#include <mutex>
#include <utility>

namespace bildertafel::imaging {
namespace {

using namespace std::string_view_literals;
using LangTexts = std::vector<std::pair<std::string, std::string>>; // language, text

constexpr std::string_view ExifStart = "Exif\0\0"sv;
constexpr std::string_view XmpStart = "http://ns.adobe.com/xap/1.0/\0"sv;
constexpr std::string_view PhotoshopStart = "Photoshop 3.0\0"sv;
constexpr std::string_view IptcUtf8 = "\x1b%G"; // IPTC's mark for UTF-8 texts
constexpr std::size_t LongestSegment = 65533;   // a JPEG segment's data after its length

// The kept fields of one picture: whose it is, and the photographer's words.
struct CreditFields {
    std::string artist;    // EXIF
    std::string copyright; // EXIF; the photographer's and the editor's notice apart by a zero
    std::vector<std::string> creators; // XMP dc:creator, in order
    LangTexts rights;                  // XMP dc:rights
    LangTexts usageTerms;              // XMP xmpRights:UsageTerms
    std::string webStatement;          // XMP xmpRights:WebStatement
    std::string marked;                // XMP xmpRights:Marked: "True" or "False"
    std::vector<std::string> byLines;  // IPTC
    std::string copyrightNotice;       // IPTC
    std::string credit;                // IPTC
    std::string source;                // IPTC
    std::string description;           // EXIF ImageDescription
    LangTexts titles;                  // XMP dc:title
    LangTexts descriptions;            // XMP dc:description
    std::string headline;              // XMP photoshop:Headline
    LangTexts altTexts;                // XMP Iptc4xmpCore:AltTextAccessibility
    LangTexts extendedDescriptions;    // XMP Iptc4xmpCore:ExtDescrAccessibility
    std::string objectName;            // IPTC
    std::string iptcHeadline;          // IPTC
    std::string caption;               // IPTC Caption-Abstract

    bool namesArtist() const { return !artist.empty() || !creators.empty() || !byLines.empty(); }
    bool namesCopyright() const {
        return !copyright.empty() || !rights.empty() || !copyrightNotice.empty();
    }
};

// The XMP toolkit keeps global state that is not safe to use from two threads at once.
std::mutex& xmpMutex() {
    static std::mutex mutex;
    return mutex;
}

void silenceLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute); });
}

bool isUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        char32_t code = 0;
        char32_t least = 0;
        if ((lead & 0xE0) == 0xC0) {
            length = 2, code = lead & 0x1F, least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, code = lead & 0x0F, least = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, code = lead & 0x07, least = 0x10000;
        } else {
            return false;
        }
        if (text.size() - i < length) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (next & 0x3F);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

// Takes the fields of the original that can go into a picture, naming the reason for the rest.
class FieldReader {
public:
    explicit FieldReader(std::vector<std::string>& leftOut) : m_leftOut(leftOut) {}

    bool take(std::string_view label, std::string_view text) {
        if (text.size() > LongestCreditText) {
            m_leftOut.push_back(texts::creditFieldTooLong(label, text.size()));
            return false;
        }
        if (!isUtf8(text)) {
            m_leftOut.push_back(texts::creditFieldNotUtf8(label));
            return false;
        }
        return true;
    }
    void invalid(std::string_view label) { m_leftOut.push_back(texts::creditFieldInvalid(label)); }
    void damaged(std::string_view block) { m_leftOut.push_back(texts::creditBlockDamaged(block)); }
    void tooLarge(std::string_view block) {
        m_leftOut.push_back(texts::creditBlockTooLarge(block));
    }

private:
    std::vector<std::string>& m_leftOut;
};

const Exiv2::byte* bytesOf(std::string_view block) {
    return reinterpret_cast<const Exiv2::byte*>(block.data());
}

// The bytes of an EXIF text as they stand, without the closing zeros.
bool exifText(const Exiv2::Value& value, std::string& text) {
    const Exiv2::TypeId type = value.typeId();
    if (type != Exiv2::asciiString && type != Exiv2::undefined && type != Exiv2::unsignedByte) {
        return false;
    }
    text.assign(static_cast<std::size_t>(value.size()), '\0');
    value.copy(reinterpret_cast<Exiv2::byte*>(text.data()), Exiv2::littleEndian);
    while (!text.empty() && text.back() == '\0') {
        text.pop_back();
    }
    return true;
}

// The text a camera writes into every picture's EXIF description ("OLYMPUS DIGITAL CAMERA",
// "SONY DSC"): no words of the photographer, and it would stand under every picture.
bool isCameraText(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return true;
    }
    text = text.substr(first, text.find_last_not_of(' ') + 1 - first);
    for (const char c : text) {
        if (c >= 'a' && c <= 'z') {
            return text == "Digital image" || text == "digital camera";
        }
    }
    return text.find("CAMERA") != std::string_view::npos || text.ends_with("DSC") ||
           text.starts_with("DCIM") || text.find("DIGITAL") != std::string_view::npos;
}

void readExif(std::string_view block, CreditFields& fields, FieldReader& reader) {
    if (block.starts_with(ExifStart)) {
        block.remove_prefix(ExifStart.size());
    }
    if (block.empty()) {
        return;
    }
    Exiv2::ExifData data;
    try {
        Exiv2::ExifParser::decode(data, bytesOf(block), static_cast<std::uint32_t>(block.size()));
    } catch (const std::exception&) {
        reader.damaged("EXIF");
        return;
    }
    for (const auto& [key, label, target] :
         {std::tuple{"Exif.Image.Artist", "EXIF Artist", &fields.artist},
          std::tuple{"Exif.Image.Copyright", "EXIF Copyright", &fields.copyright},
          std::tuple{"Exif.Image.ImageDescription", "EXIF ImageDescription",
                     &fields.description}}) {
        const auto found = data.findKey(Exiv2::ExifKey(key));
        if (found == data.end()) {
            continue;
        }
        std::string text;
        if (!exifText(found->value(), text)) {
            reader.invalid(label);
        } else if (!text.empty() && reader.take(label, text)) {
            *target = std::move(text);
        }
    }
    if (isCameraText(fields.description)) {
        fields.description.clear();
    }
}

LangTexts langTexts(const Exiv2::Value& value, std::string_view label, FieldReader& reader) {
    LangTexts texts;
    if (const auto* alternatives = dynamic_cast<const Exiv2::LangAltValue*>(&value)) {
        for (const auto& [language, text] : alternatives->value_) {
            if (!text.empty() && reader.take(label, language) && reader.take(label, text)) {
                texts.emplace_back(language, text);
            }
        }
    } else if (const std::string text = value.toString();
               !text.empty() && reader.take(label, text)) {
        texts.emplace_back("x-default", text);
    }
    return texts;
}

void readXmp(std::string_view packet, CreditFields& fields, FieldReader& reader) {
    if (packet.empty()) {
        return;
    }
    Exiv2::XmpData data;
    int status = 0;
    try {
        const std::lock_guard lock(xmpMutex());
        status = Exiv2::XmpParser::decode(data, std::string(packet));
    } catch (const std::exception&) {
        status = -1;
    }
    if (status != 0) {
        reader.damaged("XMP");
        return;
    }
    for (const Exiv2::Xmpdatum& datum : data) {
        const std::string key = datum.key();
        const Exiv2::Value& value = datum.value();
        if (key == "Xmp.dc.creator") {
            // A single name, written without the list it belongs in, is one name.
            const long count =
                dynamic_cast<const Exiv2::XmpArrayValue*>(&value) != nullptr ? value.count() : 1;
            for (long i = 0; i < count; ++i) {
                if (std::string text = value.toString(i);
                    !text.empty() && reader.take("XMP dc:creator", text)) {
                    fields.creators.push_back(std::move(text));
                }
            }
        } else if (key == "Xmp.dc.rights") {
            fields.rights = langTexts(value, "XMP dc:rights", reader);
        } else if (key == "Xmp.xmpRights.UsageTerms") {
            fields.usageTerms = langTexts(value, "XMP xmpRights:UsageTerms", reader);
        } else if (key == "Xmp.xmpRights.WebStatement") {
            if (std::string text = value.toString();
                reader.take("XMP xmpRights:WebStatement", text)) {
                fields.webStatement = std::move(text);
            }
        } else if (key == "Xmp.dc.title") {
            fields.titles = langTexts(value, "XMP dc:title", reader);
        } else if (key == "Xmp.dc.description") {
            fields.descriptions = langTexts(value, "XMP dc:description", reader);
        } else if (key == "Xmp.iptc.AltTextAccessibility") {
            fields.altTexts = langTexts(value, "XMP Iptc4xmpCore:AltTextAccessibility", reader);
        } else if (key == "Xmp.iptc.ExtDescrAccessibility") {
            fields.extendedDescriptions =
                langTexts(value, "XMP Iptc4xmpCore:ExtDescrAccessibility", reader);
        } else if (key == "Xmp.photoshop.Headline") {
            if (std::string text = value.toString();
                !text.empty() && reader.take("XMP photoshop:Headline", text)) {
                fields.headline = std::move(text);
            }
        } else if (key == "Xmp.xmpRights.Marked") {
            const std::string text = value.toString();
            if (text == "True" || text == "False") {
                fields.marked = text;
            } else {
                reader.invalid("XMP xmpRights:Marked");
            }
        }
    }
}

void readIptc(std::string_view block, CreditFields& fields, FieldReader& reader) {
    if (block.starts_with(PhotoshopStart)) {
        block.remove_prefix(PhotoshopStart.size());
    }
    if (block.empty()) {
        return;
    }
    Exiv2::IptcData data;
    try {
        const Exiv2::byte* record = nullptr;
        std::uint32_t header = 0;
        std::uint32_t length = 0;
        const int found = Exiv2::Photoshop::locateIptcIrb(
            bytesOf(block), static_cast<long>(block.size()), &record, &header, &length);
        if (found == 3) {
            return; // a Photoshop block without IPTC
        }
        if (found != 0 || Exiv2::IptcParser::decode(data, record + header, length) != 0) {
            reader.damaged("IPTC");
            return;
        }
    } catch (const std::exception&) {
        reader.damaged("IPTC");
        return;
    }
    for (const Exiv2::Iptcdatum& datum : data) {
        const std::string key = datum.key();
        std::string text = datum.toString();
        if (key == "Iptc.Application2.Byline") {
            if (!text.empty() && reader.take("IPTC By-line", text)) {
                fields.byLines.push_back(std::move(text));
            }
            continue;
        }
        for (const auto& [name, label, target] :
             {std::tuple{"Iptc.Application2.Copyright", "IPTC CopyrightNotice",
                         &fields.copyrightNotice},
              std::tuple{"Iptc.Application2.Credit", "IPTC Credit", &fields.credit},
              std::tuple{"Iptc.Application2.Source", "IPTC Source", &fields.source},
              std::tuple{"Iptc.Application2.ObjectName", "IPTC ObjectName", &fields.objectName},
              std::tuple{"Iptc.Application2.Headline", "IPTC Headline", &fields.iptcHeadline},
              std::tuple{"Iptc.Application2.Caption", "IPTC Caption-Abstract", &fields.caption}}) {
            if (key == name) {
                if (!text.empty() && reader.take(label, text)) {
                    *target = std::move(text);
                }
                break;
            }
        }
    }
}

void applyNotice(CreditFields& fields, const PreparationRequest& request) {
    const bool replace = request.credits == CreditMode::Replace;
    if (!request.artist.empty() && (replace || !fields.namesArtist())) {
        fields.artist = request.artist;
        fields.creators = {request.artist};
        fields.byLines = {request.artist};
    }
    if (!request.copyright.empty() && (replace || !fields.namesCopyright())) {
        fields.copyright = request.copyright;
        fields.rights = {{"x-default", request.copyright}};
        fields.copyrightNotice = request.copyright;
    }
}

std::string exifSegment(const CreditFields& fields) {
    Exiv2::ExifData data;
    if (!fields.artist.empty()) {
        data["Exif.Image.Artist"] = fields.artist;
    }
    if (!fields.copyright.empty()) {
        data["Exif.Image.Copyright"] = fields.copyright;
    }
    if (!fields.description.empty()) {
        data["Exif.Image.ImageDescription"] = fields.description;
    }
    if (data.empty()) {
        return {};
    }
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, data);
    return std::string(ExifStart) + std::string(blob.begin(), blob.end());
}

void addLangTexts(Exiv2::XmpData& data, const char* key, const LangTexts& texts) {
    if (texts.empty()) {
        return;
    }
    Exiv2::LangAltValue value;
    for (const auto& [language, text] : texts) {
        value.value_[language] = text;
    }
    data.add(Exiv2::XmpKey(key), &value);
}

void addText(Exiv2::XmpData& data, const char* key, const std::string& text) {
    if (text.empty()) {
        return;
    }
    Exiv2::XmpTextValue value;
    value.value_ = text; // as it stands: read() would take a leading "type=" as an instruction
    data.add(Exiv2::XmpKey(key), &value);
}

// The packet without the toolkit's name: it tells nothing about the picture.
void dropToolkitName(std::string& packet) {
    const std::string attribute = " x:xmptk=\"";
    const std::size_t start = packet.find(attribute);
    const std::size_t end =
        start == std::string::npos ? start : packet.find('"', start + attribute.size());
    if (end != std::string::npos) {
        packet.erase(start, end + 1 - start);
    }
}

std::string xmpSegment(const CreditFields& fields) {
    Exiv2::XmpData data;
    if (!fields.creators.empty()) {
        Exiv2::XmpArrayValue creators(Exiv2::xmpSeq);
        for (const std::string& creator : fields.creators) {
            creators.read(creator);
        }
        data.add(Exiv2::XmpKey("Xmp.dc.creator"), &creators);
    }
    addLangTexts(data, "Xmp.dc.rights", fields.rights);
    addLangTexts(data, "Xmp.xmpRights.UsageTerms", fields.usageTerms);
    addText(data, "Xmp.xmpRights.WebStatement", fields.webStatement);
    addText(data, "Xmp.xmpRights.Marked", fields.marked);
    addLangTexts(data, "Xmp.dc.title", fields.titles);
    addLangTexts(data, "Xmp.dc.description", fields.descriptions);
    addText(data, "Xmp.photoshop.Headline", fields.headline);
    addLangTexts(data, "Xmp.iptc.AltTextAccessibility", fields.altTexts);
    addLangTexts(data, "Xmp.iptc.ExtDescrAccessibility", fields.extendedDescriptions);
    if (data.empty()) {
        return {};
    }
    std::string packet;
    {
        const std::lock_guard lock(xmpMutex());
        if (Exiv2::XmpParser::encode(packet, data, Exiv2::XmpParser::useCompactFormat, 0) != 0) {
            throw std::runtime_error("XMP");
        }
    }
    dropToolkitName(packet);
    return std::string(XmpStart) + packet;
}

std::string iptcSegment(const CreditFields& fields) {
    if (fields.byLines.empty() && fields.credit.empty() && fields.source.empty() &&
        fields.copyrightNotice.empty() && fields.objectName.empty() &&
        fields.iptcHeadline.empty() && fields.caption.empty()) {
        return {};
    }
    Exiv2::IptcData data;
    const auto add = [&data](const char* key, const std::string& text) {
        if (!text.empty()) {
            Exiv2::StringValue value(text);
            data.add(Exiv2::IptcKey(key), &value);
        }
    };
    // In the order of their records and numbers, as IPTC asks.
    add("Iptc.Envelope.CharacterSet", std::string(IptcUtf8));
    add("Iptc.Application2.ObjectName", fields.objectName);
    for (const std::string& byLine : fields.byLines) {
        add("Iptc.Application2.Byline", byLine);
    }
    add("Iptc.Application2.Headline", fields.iptcHeadline);
    add("Iptc.Application2.Credit", fields.credit);
    add("Iptc.Application2.Source", fields.source);
    add("Iptc.Application2.Copyright", fields.copyrightNotice);
    add("Iptc.Application2.Caption", fields.caption);
    const Exiv2::DataBuf block = Exiv2::Photoshop::setIptcIrb(nullptr, 0, data);
    return std::string(PhotoshopStart) + std::string(reinterpret_cast<const char*>(block.pData_),
                                                     static_cast<std::size_t>(block.size_));
}

// Appends one segment of a JPEG: its marker, its length, its data.
void appendSegment(std::string& segments, unsigned char marker, const std::string& data) {
    const std::size_t length = data.size() + 2;
    segments += '\xFF';
    segments += static_cast<char>(marker);
    segments += static_cast<char>(length >> 8);
    segments += static_cast<char>(length & 0xFF);
    segments += data;
}

CreditFields readFields(const OriginalMetadata& original, FieldReader& reader) {
    silenceLibrary();
    CreditFields fields;
    readExif(original.exif, fields, reader);
    readXmp(original.xmp, fields, reader);
    readIptc(original.photoshop, fields, reader);
    return fields;
}

// The text of the language a German show wants: the default, else German, else the first.
std::string chosenText(const LangTexts& texts) {
    const LangTexts::const_iterator chosen[] = {
        std::find_if(texts.begin(), texts.end(),
                     [](const auto& text) { return text.first == "x-default"; }),
        std::find_if(texts.begin(), texts.end(),
                     [](const auto& text) { return text.first.starts_with("de"); }),
        texts.begin()};
    for (const auto& found : chosen) {
        if (found != texts.end()) {
            return found->second;
        }
    }
    return {};
}

std::string firstOf(std::initializer_list<std::string> texts) {
    for (const std::string& text : texts) {
        if (!text.empty()) {
            return text;
        }
    }
    return {};
}

} // namespace

words::PictureWords wordsOf(const OriginalMetadata& original) {
    std::vector<std::string> leftOut;
    FieldReader reader(leftOut);
    const CreditFields fields = readFields(original, reader);
    return words::cleaned(
        {firstOf(
             {chosenText(fields.titles), fields.objectName, fields.headline, fields.iptcHeadline}),
         firstOf({chosenText(fields.descriptions), fields.caption, fields.description}),
         chosenText(fields.altTexts)});
}

OriginalMetadata metadataOf(const vips::VImage& image) {
    const auto blob = [&image](const char* name) {
        if (image.get_typeof(name) == 0) {
            return std::string();
        }
        std::size_t length = 0;
        const void* data = image.get_blob(name, &length);
        return std::string(static_cast<const char*>(data), length);
    };
    return {blob(VIPS_META_EXIF_NAME), blob(VIPS_META_XMP_NAME), blob(VIPS_META_IPTC_NAME)};
}

std::string withCredits(std::string_view jpeg, const OriginalMetadata& original,
                        const PreparationRequest& request, std::vector<std::string>& leftOut) {
    if (request.credits == CreditMode::None || !jpeg.starts_with("\xFF\xD8")) {
        return {};
    }
    FieldReader reader(leftOut);
    CreditFields fields = readFields(original, reader);
    applyNotice(fields, request);

    std::string segments;
    for (const auto& [block, marker, make] :
         {std::tuple{"EXIF", 0xE1, &exifSegment}, std::tuple{"XMP", 0xE1, &xmpSegment},
          std::tuple{"IPTC", 0xED, &iptcSegment}}) {
        std::string data;
        try {
            data = make(fields);
        } catch (const std::exception&) {
            reader.damaged(block);
            continue;
        }
        if (data.size() > LongestSegment) {
            reader.tooLarge(block);
        } else if (!data.empty()) {
            appendSegment(segments, static_cast<unsigned char>(marker), data);
        }
    }
    if (segments.empty()) {
        return {};
    }
    // After the JFIF segment, which must stay the first.
    std::size_t at = 2;
    while (at + 4 <= jpeg.size() && jpeg[at] == '\xFF' && jpeg[at + 1] == '\xE0') {
        at += 2 + (static_cast<std::size_t>(static_cast<unsigned char>(jpeg[at + 2])) << 8) +
              static_cast<unsigned char>(jpeg[at + 3]);
    }
    at = std::min(at, jpeg.size());
    std::string result;
    result.reserve(jpeg.size() + segments.size());
    result.append(jpeg.substr(0, at)).append(segments).append(jpeg.substr(at));
    return result;
}

std::string noticeRefusal(const PreparationRequest& request) {
    if (request.credits == CreditMode::None) {
        return {};
    }
    for (const auto& [field, text] :
         {std::pair{"Urheber", &request.artist}, std::pair{"Copyright", &request.copyright}}) {
        if (text->size() > LongestCreditText) {
            return texts::noticeTooLong(field, text->size());
        }
        if (!isUtf8(*text)) {
            return texts::noticeNotUtf8(field);
        }
    }
    return {};
}

} // namespace bildertafel::imaging
