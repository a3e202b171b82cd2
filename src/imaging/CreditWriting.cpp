#include "imaging/CreditWriting.h"

#include "imaging/PreparationTexts.h"
#include "textfile/Windows1252.h"

#include <exiv2/exif.hpp>
#include <exiv2/iptc.hpp>
#include <exiv2/jpgimage.hpp>
#include <exiv2/value.hpp>
#include <exiv2/xmp_exiv2.hpp>

#include <algorithm>
#include <stdexcept>
#include <tuple>

namespace bildertafel::imaging {
namespace {

constexpr std::string_view IptcUtf8 = "\x1b%G"; // IPTC's mark for UTF-8 texts
constexpr std::size_t LongestSegment = 65533;   // a JPEG segment's data after its length

void applyNotice(MetadataFields& fields, const PreparationRequest& request) {
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

std::string exifSegment(const MetadataFields& fields) {
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

std::string xmpSegment(const MetadataFields& fields) {
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

std::string iptcSegment(const MetadataFields& fields) {
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

} // namespace

std::string withCredits(std::string_view jpeg, const OriginalMetadata& original,
                        const PreparationRequest& request, std::vector<std::string>& leftOut) {
    if (request.credits == CreditMode::None || !jpeg.starts_with("\xFF\xD8")) {
        return {};
    }
    FieldReader reader(leftOut);
    MetadataFields fields = readFields(original, reader);
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
        if (!textfile::isUtf8(*text)) {
            return texts::noticeNotUtf8(field);
        }
    }
    return {};
}

} // namespace bildertafel::imaging
