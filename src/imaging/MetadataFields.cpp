#include "imaging/MetadataFields.h"

#include "imaging/Preparation.h"
#include "imaging/PreparationTexts.h"
#include "textfile/Windows1252.h"

#include <exiv2/error.hpp>
#include <exiv2/exif.hpp>
#include <exiv2/iptc.hpp>
#include <exiv2/jpgimage.hpp>
#include <exiv2/value.hpp>
#include <exiv2/xmp_exiv2.hpp>
#include <vips/vips8>

#include <tuple>

namespace bildertafel::imaging {
namespace {

void silenceLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute); });
}

// The block without the start its segment gives it, where it has one.
std::string_view withoutStart(std::string_view block, std::string_view start) {
    if (block.starts_with(start)) {
        block.remove_prefix(start.size());
    }
    return block;
}

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

void readExif(std::string_view block, MetadataFields& fields, FieldReader& reader) {
    block = withoutStart(block, ExifStart);
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

void readXmp(std::string_view packet, MetadataFields& fields, FieldReader& reader) {
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

void readIptc(std::string_view block, MetadataFields& fields, FieldReader& reader) {
    block = withoutStart(block, PhotoshopStart);
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

} // namespace

std::mutex& xmpMutex() {
    static std::mutex mutex;
    return mutex;
}

bool FieldReader::take(std::string_view label, std::string_view text) {
    if (text.size() > LongestCreditText) {
        m_leftOut.push_back(texts::creditFieldTooLong(label, text.size()));
        return false;
    }
    if (!textfile::isUtf8(text)) {
        m_leftOut.push_back(texts::creditFieldNotUtf8(label));
        return false;
    }
    return true;
}

void FieldReader::invalid(std::string_view label) {
    m_leftOut.push_back(texts::creditFieldInvalid(label));
}

void FieldReader::damaged(std::string_view block) {
    m_leftOut.push_back(texts::creditBlockDamaged(block));
}

void FieldReader::tooLarge(std::string_view block) {
    m_leftOut.push_back(texts::creditBlockTooLarge(block));
}

MetadataFields readFields(const OriginalMetadata& original, FieldReader& reader) {
    silenceLibrary();
    MetadataFields fields;
    readExif(original.exif, fields, reader);
    readXmp(original.xmp, fields, reader);
    readIptc(original.photoshop, fields, reader);
    return fields;
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

} // namespace bildertafel::imaging
