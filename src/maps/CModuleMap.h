#pragma once

#include <span>
#include <string>
#include <vector>

#include "maps/CModuleMapPoint.h"
#include "maps/MapDescription.h"
#include "maps/XYpair.h"
#include "model/ClipBoard.h"
#include "model/DocumentContext.h"

namespace corvane {

class Archive;

// What every tuning map offers to the documents, views, the link and AutoTune: a curve of
// equally spaced points bound to module memory, its description and graph geometry, and the
// edit operations. Edit operations never fail: values clamp, and operations that have no
// meaning for a kind of map tell the user and change nothing. Every edit ends with a push:
// the changed points are written to a linked module as one block and marked in sync only
// when that write succeeded.
class CModuleMap {
public:
    CModuleMap(const MapDescription& description, const DocumentContext* context);
    virtual ~CModuleMap() = default;
    CModuleMap(const CModuleMap&) = delete;
    CModuleMap& operator=(const CModuleMap&) = delete;

    // --- Base edits (module units unless said) --------------------------------------------
    virtual int StepPointByDisplayUnits(int index, double delta) = 0;
    virtual int StepPointByModuleUnits(int index, int delta) = 0;
    virtual int UpdateMapPointBlockBaseValuesByDelta(int first, int last, int delta) = 0;
    virtual int SetBlockModuleValue(int first, int last, int value) = 0;
    virtual int FitLine(int first, int last) = 0;  // last == -1: flat from first to the end
    virtual int FitArc(int first, int middle, int last) = 0;
    virtual int PasteBlock(const std::vector<CClipBoardItem>& items, int first, int last) = 0;
    virtual int RestoreBlock(int first, int last) = 0;
    virtual int OffsetMapByModuleUnits(int delta) = 0;
    virtual int SynchronizeIdleMap(int target) = 0;

    // --- Trim edits ---------------------------------------------------------------------------
    virtual int StepBlockTrimByModuleUnits(int first, int last, int delta) = 0;
    virtual int StepPointTrimByDisplayUnits(int index, double delta) = 0;
    virtual int StepPointTrimByModuleUnits(int index, int delta) = 0;
    virtual int RestoreTrims(int first, int last) = 0;
    virtual int PpfFit(int first, int last) = 0;
    virtual int PasteTrims(const std::vector<CClipBoardItem>& items) = 0;
    virtual int SetBlockTrim(int first, int end, int trim) = 0;  // end exclusive
    virtual int OffsetMapTrimsByModuleUnits(int delta) = 0;
    virtual int SynchronizeUserIdleMap(int target) = 0;

    // --- Module transfer ----------------------------------------------------------------------
    virtual void LoadPointFromModule(int index, int raw) = 0;
    virtual void LoadPointBaseFromModule(int index, int raw) = 0;
    virtual void MarkPointInSync(int index) = 0;
    virtual void SetPointMargins(int index, double lower, double upper) = 0;
    [[nodiscard]] virtual bool ReadMapFromModule() = 0;
    virtual int WriteSinglePointToModule(int index) = 0;
    // Writes the image bytes of points first..last as one block; true when it was written.
    virtual bool WritePointsToModule(int first, int last) = 0;

    // --- Queries --------------------------------------------------------------------------------
    virtual bool GetMinMaxBaseValue(int& minimum, int& maximum) = 0;
    virtual bool GetMinMaxTrimValue(int& minimum, int& maximum) = 0;
    virtual bool GetMapUpperLowerMargins(int& down, int& up) = 0;
    virtual bool GetMapTrimUpperLowerMargins(int& down, int& up) = 0;
    virtual bool GetMapLowIdleRpm(int& result) = 0;
    [[nodiscard]] virtual CModuleMapPoint* GetMapPoint(int index) = 0;
    [[nodiscard]] virtual const CModuleMapPoint* GetMapPoint(int index) const = 0;
    [[nodiscard]] virtual bool IsPointInSync(int index) const = 0;
    [[nodiscard]] virtual double GetPointX(int index) const = 0;
    [[nodiscard]] virtual int GetPointModuleValue(int index) const = 0;
    [[nodiscard]] virtual double GetPointDisplayValue(int index) const = 0;
    [[nodiscard]] virtual int GetPointBaseValue(int index) const = 0;
    [[nodiscard]] virtual double GetPointBaseDisplayValue(int index) const = 0;
    [[nodiscard]] virtual int GetPointTrimValue(int index) const = 0;
    [[nodiscard]] virtual double GetPointTrimDisplayValue(int index) const = 0;
    [[nodiscard]] virtual double GetPointTrimShownValue(int index) const = 0;

    // --- Life cycle -----------------------------------------------------------------------------
    virtual void Serialize(Archive& archive, int fileVersion) = 0;
    // Loading from records already read and checked: the same as a loading Serialize over
    // those records (one per point, in order). Composites take no records: they rebuild
    // from the maps they stand on, which must be loaded first.
    virtual void LoadFileRecords(std::span<const ValueRecord> records) = 0;
    virtual void CreateMapPoints() = 0;
    virtual void SaveUndoCopies() = 0;
    // Composites take their points again from the maps they stand for; nothing for others.
    virtual void SyncFromRows() {}
    [[nodiscard]] virtual int GetMapSizeBytes() const = 0;
    [[nodiscard]] virtual int GetBytesPerPoint() const = 0;
    [[nodiscard]] virtual bool IsComposite() const { return false; }

    // Grid values of the axes (x: x divisions long; y and trim: y divisions long).
    virtual void BuildAxisGrid();

    // --- Description and geometry ---------------------------------------------------------------
    [[nodiscard]] const MapDescription& Description() const { return m_description; }
    [[nodiscard]] const std::string& GetClassName() const { return m_description.className; }
    [[nodiscard]] const std::string& GetTitle() const { return m_description.title; }
    [[nodiscard]] const std::string& GetXAxisName() const { return m_description.xAxisName; }
    [[nodiscard]] const std::string& GetYAxisName() const { return m_description.yAxisName; }
    [[nodiscard]] const std::string& GetXUnit() const { return m_description.xUnit; }
    [[nodiscard]] const std::string& GetYUnit() const { return m_description.yUnit; }
    [[nodiscard]] const std::string& GetTrimLabel() const { return m_description.trimLabel; }
    [[nodiscard]] const std::string& GetGroupText() const { return m_description.groupText; }
    [[nodiscard]] const std::string& GetMapCategory() const { return m_description.category; }
    [[nodiscard]] int GetGroupNumber() const { return m_description.groupNumber; }
    [[nodiscard]] int GetNumberOfPoints() const { return m_description.numberOfPoints; }
    [[nodiscard]] int GetRowKey() const { return m_description.rowKey; }
    [[nodiscard]] int GetMarginType() const { return m_description.marginType; }
    [[nodiscard]] int GetXAxisMonitorChannel() const { return m_description.xAxisMonitorChannel; }
    [[nodiscard]] std::uint16_t GetStartAddress() const { return m_description.startAddress; }

    [[nodiscard]] const XYpair<int>& GetModuleMinimum() const { return m_moduleMinimum; }
    [[nodiscard]] const XYpair<int>& GetModuleMaximum() const { return m_moduleMaximum; }
    [[nodiscard]] const XYpair<double>& GetDisplayMinimum() const { return m_displayMinimum; }
    [[nodiscard]] const XYpair<double>& GetDisplayMaximum() const { return m_displayMaximum; }
    [[nodiscard]] const XYpair<double>& GetLowerMargin() const { return m_lowerMargin; }
    [[nodiscard]] const XYpair<double>& GetUpperMargin() const { return m_upperMargin; }
    [[nodiscard]] const XYpair<int>& GetGridDivisions() const { return m_gridDivisions; }
    [[nodiscard]] double GetYScale() const { return m_yScale; }
    [[nodiscard]] double GetXSpan() const { return m_displayMaximum.x - m_displayMinimum.x; }
    [[nodiscard]] double GetYSpan() const { return m_displayMaximum.y - m_displayMinimum.y; }
    [[nodiscard]] double GetTrimSpan() const { return m_upperMargin.y - m_lowerMargin.y; }
    [[nodiscard]] const std::vector<double>& GetXGridValues() const { return m_xGrid; }
    [[nodiscard]] const std::vector<double>& GetYGridValues() const { return m_yGrid; }
    [[nodiscard]] const std::vector<double>& GetTrimGridValues() const { return m_trimGrid; }
    [[nodiscard]] bool IsGridBuilt() const { return m_gridBuilt; }

    [[nodiscard]] int GetTitleFontHeight() const { return kTitleFontHeight; }
    [[nodiscard]] int GetAxisFontHeight() const { return kAxisFontHeight; }
    [[nodiscard]] int GetPlotWidth() const { return kPlotWidthPerPoint * GetNumberOfPoints(); }
    [[nodiscard]] int GetPlotHeight() const { return kPlotHeight; }
    [[nodiscard]] int GetPointSpacing() const { return m_description.pointSpacing; }
    [[nodiscard]] int GetXOffset() const { return 0; }
    [[nodiscard]] int GetYOffset() const { return 0; }
    [[nodiscard]] int GetVerticalMargin() const { return kVerticalMargin; }
    [[nodiscard]] int GetHorizontalMargin() const { return kHorizontalMargin; }
    [[nodiscard]] int GetDrawingWidth() const { return GetPlotWidth() + kHorizontalMargin; }
    [[nodiscard]] int GetDrawingHeight() const { return kPlotHeight + kVerticalMargin; }

    void SetPlotPixelSize(int width, int height) {
        m_plotPixelWidth = width;
        m_plotPixelHeight = height;
    }
    [[nodiscard]] int GetPlotPixelWidth() const { return m_plotPixelWidth; }
    [[nodiscard]] int GetPlotPixelHeight() const { return m_plotPixelHeight; }

    [[nodiscard]] int GetActivePoint() const { return m_activePoint; }
    void SetActivePoint(int index) { m_activePoint = index; }

    // Brackets the live operating position x between the point at or below it and the point
    // at or above it.
    void SetMapPointerPosition(double x);
    [[nodiscard]] double GetMapPointerLowerX() const { return m_mapPointerLowerX; }
    [[nodiscard]] double GetMapPointerUpperX() const { return m_mapPointerUpperX; }
    // The index of the point nearest to the live position (clamped to the map).
    [[nodiscard]] int GetMapPointerIndex() const;

    [[nodiscard]] const DocumentContext* Context() const { return m_context; }

    static constexpr int kTitleFontHeight = 25;
    static constexpr int kAxisFontHeight = 16;
    static constexpr int kPlotWidthPerPoint = 10;
    static constexpr int kPlotHeight = 378;
    static constexpr int kVerticalMargin = 100;
    static constexpr int kHorizontalMargin = 100;

protected:
    // Shows a message through the document's prompter (silent without one).
    void Tell(const std::string& text) const;

    MapDescription m_description;
    const DocumentContext* m_context;

    XYpair<int> m_moduleMinimum;
    XYpair<int> m_moduleMaximum;
    XYpair<double> m_displayMinimum;
    XYpair<double> m_displayMaximum;
    XYpair<double> m_lowerMargin;
    XYpair<double> m_upperMargin;
    XYpair<int> m_gridDivisions{7, 6};
    double m_yScale = 0.0;

    std::vector<double> m_xGrid;
    std::vector<double> m_yGrid;
    std::vector<double> m_trimGrid;
    bool m_gridBuilt = false;

    int m_plotPixelWidth = 0;
    int m_plotPixelHeight = 0;
    double m_mapPointerLowerX = 0.0;
    double m_mapPointerUpperX = 0.0;
    double m_mapPointerX = 0.0;
    int m_activePoint = 0;
};

}  // namespace corvane
