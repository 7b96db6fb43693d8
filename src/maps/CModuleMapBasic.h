#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "maps/CModuleMap.h"

namespace corvane {

// A single curve of points at consecutive module addresses; every catalogue map is one.
//
// Invariants kept by every edit:
// - a base edit leaves the point's trim at 0, so its module value equals its base and a saved
//   file reproduces exactly what the module holds;
// - a trim edit leaves the module value at base + trim, the trim within the margins;
// - the saved module values hold each point's module value from before the last base edit
//   of that point, the saved trims each point's trim from before the last trim fit or paste:
//   exactly what RestoreBlock and RestoreTrims put back;
// - a point is marked in sync only after its bytes were written to a linked module.
class CModuleMapBasic : public CModuleMap {
public:
    // Makes the module value of one point: (address, x, context) -> value.
    using ValueFactory = std::function<std::unique_ptr<ModuleValue>(std::uint16_t, double,
                                                                    const DocumentContext*)>;

    CModuleMapBasic(const MapDescription& description, const DocumentContext* context,
                    ValueFactory factory = {});
    ~CModuleMapBasic() override;

    // Byte values for one-byte maps, word values for two-byte maps.
    [[nodiscard]] static ValueFactory DefaultValueFactory(int bytesPerPoint);

    // Base edits.
    int StepPointByDisplayUnits(int index, double delta) override;
    int StepPointByModuleUnits(int index, int delta) override;
    int UpdateMapPointBlockBaseValuesByDelta(int first, int last, int delta) override;
    int SetBlockModuleValue(int first, int last, int value) override;
    int FitLine(int first, int last) override;
    int FitArc(int first, int middle, int last) override;
    int PasteBlock(const std::vector<CClipBoardItem>& items, int first, int last) override;
    int RestoreBlock(int first, int last) override;
    int OffsetMapByModuleUnits(int delta) override;
    int SynchronizeIdleMap(int target) override;

    // Trim edits.
    int StepBlockTrimByModuleUnits(int first, int last, int delta) override;
    int StepPointTrimByDisplayUnits(int index, double delta) override;
    int StepPointTrimByModuleUnits(int index, int delta) override;
    int RestoreTrims(int first, int last) override;
    int PpfFit(int first, int last) override;
    int PasteTrims(const std::vector<CClipBoardItem>& items) override;
    int SetBlockTrim(int first, int end, int trim) override;
    int OffsetMapTrimsByModuleUnits(int delta) override;
    int SynchronizeUserIdleMap(int target) override;

    // Module transfer.
    void LoadPointFromModule(int index, int raw) override;
    void LoadPointBaseFromModule(int index, int raw) override;
    void MarkPointInSync(int index) override;
    void SetPointMargins(int index, double lower, double upper) override;
    [[nodiscard]] bool ReadMapFromModule() override;
    int WriteSinglePointToModule(int index) override;
    bool WritePointsToModule(int first, int last) override;

    // Queries.
    bool GetMinMaxBaseValue(int& minimum, int& maximum) override;
    bool GetMinMaxTrimValue(int& minimum, int& maximum) override;
    bool GetMapUpperLowerMargins(int& down, int& up) override;
    bool GetMapTrimUpperLowerMargins(int& down, int& up) override;
    bool GetMapLowIdleRpm(int& result) override;
    [[nodiscard]] CModuleMapPoint* GetMapPoint(int index) override;
    [[nodiscard]] const CModuleMapPoint* GetMapPoint(int index) const override;
    [[nodiscard]] bool IsPointInSync(int index) const override;
    [[nodiscard]] double GetPointX(int index) const override;
    [[nodiscard]] int GetPointModuleValue(int index) const override;
    [[nodiscard]] double GetPointDisplayValue(int index) const override;
    [[nodiscard]] int GetPointBaseValue(int index) const override;
    [[nodiscard]] double GetPointBaseDisplayValue(int index) const override;
    [[nodiscard]] int GetPointTrimValue(int index) const override;
    [[nodiscard]] double GetPointTrimDisplayValue(int index) const override;
    [[nodiscard]] double GetPointTrimShownValue(int index) const override;

    // Life cycle.
    void Serialize(Archive& archive, int fileVersion) override;
    void LoadFileRecords(std::span<const ValueRecord> records) override;
    void CreateMapPoints() override;
    void SaveUndoCopies() override;
    [[nodiscard]] int GetMapSizeBytes() const override { return m_mapSize; }
    [[nodiscard]] int GetBytesPerPoint() const override { return m_description.bytesPerPoint; }

    // Building blocks for maps that stand on this one (composites): they change points
    // without pushing, then push once per operation.
    void AssignBlockBase(int first, int last, int value);
    void AssignBlockTrimDelta(int first, int last, int delta);
    // Writes points first..last to a linked module as one block and marks them in sync when
    // the write succeeded, not in sync otherwise; then tells the document it changed.
    virtual void PushPoints(int first, int last);

    [[nodiscard]] int GetSavedModuleValue(int index) const;
    [[nodiscard]] int GetSavedTrim(int index) const;
    [[nodiscard]] double GetSavedTrimShownValue(int index) const;
    [[nodiscard]] bool IsValidIndex(int index) const {
        return index >= 0 && index < static_cast<int>(m_points.size());
    }

protected:
    // The one way a point's base changes (trim to 0); composites pass it on to their sources.
    virtual void ApplyBase(int index, int moduleValue);
    // The one way a point's trim changes (clamped to the margins).
    virtual void ApplyTrim(int index, int trim);
    // The context the point values write through.
    [[nodiscard]] virtual const DocumentContext* PointContext() const { return m_context; }
    [[nodiscard]] bool IsLinked() const;
    // Orders and clamps a range to the points; false when it holds none.
    [[nodiscard]] bool NormaliseRange(int& first, int& last) const;
    // Shows the message for trim operations on maps whose margins are neither percent nor
    // display units; true when the map has such margins.
    [[nodiscard]] bool CheckTrimMarginType() const;
    [[nodiscard]] CModuleMapPoint& Point(int index) { return *m_points[static_cast<std::size_t>(index)]; }
    [[nodiscard]] const CModuleMapPoint& Point(int index) const {
        return *m_points[static_cast<std::size_t>(index)];
    }
    [[nodiscard]] int PointCount() const { return static_cast<int>(m_points.size()); }

    ValueFactory m_valueFactory;
    std::vector<std::unique_ptr<CModuleMapPoint>> m_points;
    int m_mapSize = 0;
    std::vector<int> m_savedModuleValues;
    std::vector<int> m_savedTrims;
    std::vector<double> m_savedTrimShownValues;
};

inline constexpr const char* kUnknownUserTypeMessage =
    "Cannot Process:  Trying to FitMap an UNKNOWN USERTYPE";
inline constexpr const char* kSinglePointRemovedMessage = "REMOVED- Not Implemented";

}  // namespace corvane
