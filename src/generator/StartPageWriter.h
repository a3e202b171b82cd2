#pragma once

#include "generator/RunValues.h"
#include "generator/SelectionBlock.h"
#include "generator/ShowZip.h"
#include "textfile/TextFileWriter.h"

namespace bildertafel::generator {

// Writes the start page: the user's head and foot around a table of preview pictures, each a link
// to its picture or the picture's own page. The run writes the row tags and everything inside a
// cell except the cell's two templates.
class StartPageWriter {
public:
    StartPageWriter(textfile::TextFileWriter& out, const RunValues& run) : m_out(out), m_run(run) {}

    // The download link when the all-pictures page is written, PageHead and the first row start.
    void writeTop();
    // One picture's cell: CellBefore, the preview as a link, CellAfter and the line end. With
    // hasLarge the link names the picture in the large size too.
    void writeCell(const PictureValues& picture, bool hasLarge = false);
    void writeRowBreak();
    // The table end, the block that lets visitors choose pictures when there is a choice, the
    // link to the zip of all pictures when there is one, the download section when the
    // all-pictures page is written, and PageFoot.
    void writeBottom(const SelectionChoice* selection = nullptr, const ZipLink* zip = nullptr);

private:
    textfile::TextFileWriter& m_out;
    const RunValues& m_run;
};

} // namespace bildertafel::generator
