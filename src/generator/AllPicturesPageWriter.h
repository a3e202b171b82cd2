#pragma once

#include "generator/RunValues.h"
#include "textfile/TextFileWriter.h"

namespace bildertafel::generator {

// Writes the page that shows every full-size picture at once, for saving them in one go. It lies
// beside the pictures and names them without a folder.
class AllPicturesPageWriter {
public:
    explicit AllPicturesPageWriter(textfile::TextFileWriter& out) : m_out(out) {}

    // The two lines of the heading, written when the page is created; after the robots meta
    // when noindex.
    void writeHeading(bool noindex);
    void writePicture(const PictureValues& picture);

private:
    textfile::TextFileWriter& m_out;
};

} // namespace bildertafel::generator
