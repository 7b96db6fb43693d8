#pragma once

#include <QString>

class QPagedPaintDevice;
class QPainter;
class QRectF;

namespace corvane {

class CChildFrmMaps;
class SettingsStore;
struct PrintTable;

// What File ▸ Print, Print Preview and Export PDF put on paper: the view in front of a maps
// document. The shown map is printed with its title, its graph (in paper colours, with the
// front/rear partner) and a table of its points in display units; the basic settings view as a
// table of settings; the warranty view as the record band by band; the table view as the whole
// table. The texts are the core's (TunePrintout); this class lays them out on the pages of any
// paged device, a printer or a PDF writer alike.
class TunePrinter {
public:
    enum class Subject { kNothing, kMap, kSettings, kWarranty, kTable };

    TunePrinter(CChildFrmMaps& frame, int moduleFirmwareVersion, SettingsStore& settings);

    [[nodiscard]] Subject WhatIsPrinted() const;
    // "Fuelflow vs TPS @ 1792 rpm": the print job's name and the PDF's title.
    [[nodiscard]] QString Title() const;
    // Paints every page onto `device`; returns how many. Nothing to print: 0, no page.
    int Print(QPagedPaintDevice& device) const;

private:
    struct Page;
    void PrintMap(Page& page) const;
    void PrintSettings(Page& page) const;
    void PrintWarranty(Page& page) const;
    void PrintTableView(Page& page) const;

    CChildFrmMaps& m_frame;
    int m_firmware;
    SettingsStore& m_settings;
};

}  // namespace corvane
