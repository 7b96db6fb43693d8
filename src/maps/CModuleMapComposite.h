#pragma once

#include <vector>

#include "maps/CModuleMapBasic.h"

namespace corvane {

// An editable curve whose point i stands for a run of points of another map: the whole row
// map i of a speed-indexed family (this class), or two neighbouring points of one source map
// (CModuleMapComposite3). A composite owns no module memory: its point values write no
// image, and every edit is passed to the points it stands for, which write and push their own
// bytes. Its points mirror their sources (base and trim of the first point of each run), and
// a point is in sync exactly when all the points it stands for are.
class CModuleMapComposite : public CModuleMapBasic {
public:
    struct SourceRun {
        CModuleMapBasic* map = nullptr;  // not owned
        int first = 0;
        int last = 0;
    };

    // Point i stands for every point of rows[i]; rows in ascending row key.
    CModuleMapComposite(const MapDescription& description, const DocumentContext* context,
                        const std::vector<CModuleMapBasic*>& rows, ValueFactory factory = {});

    [[nodiscard]] bool IsComposite() const override { return true; }
    [[nodiscard]] const std::vector<SourceRun>& Sources() const { return m_sources; }

    void CreateMapPoints() override;
    // Takes base and trim of every point again from what it stands for, and its flag.
    void SyncFromRows() override;
    void Serialize(Archive& archive, int fileVersion) override;
    void LoadFileRecords(std::span<const ValueRecord> records) override;
    [[nodiscard]] bool ReadMapFromModule() override { return false; }

    // Edits of a whole run have no meaning on a composite.
    int UpdateMapPointBlockBaseValuesByDelta(int, int, int) override { return 0; }
    int SetBlockModuleValue(int, int, int) override { return 0; }
    int FitArc(int first, int middle, int last) override;
    int PpfFit(int, int) override { return -1; }
    int OffsetMapByModuleUnits(int delta) override;
    int OffsetMapTrimsByModuleUnits(int delta) override;
    bool GetMapUpperLowerMargins(int& down, int& up) override;
    bool GetMapTrimUpperLowerMargins(int& down, int& up) override;
    bool GetMinMaxBaseValue(int& minimum, int& maximum) override;
    bool GetMinMaxTrimValue(int& minimum, int& maximum) override;
    int SynchronizeIdleMap(int target) override;
    int SetBlockTrim(int first, int end, int trim) override;
    int SynchronizeUserIdleMap(int target) override;
    bool GetMapLowIdleRpm(int& result) override;

    int WriteSinglePointToModule(int index) override;
    bool WritePointsToModule(int first, int last) override;
    void PushPoints(int first, int last) override;
    [[nodiscard]] bool IsPointInSync(int index) const override;

protected:
    CModuleMapComposite(const MapDescription& description, const DocumentContext* context,
                        std::vector<SourceRun> sources, ValueFactory factory);

    void ApplyBase(int index, int moduleValue) override;
    void ApplyTrim(int index, int trim) override;
    [[nodiscard]] const DocumentContext* PointContext() const override { return &m_pointContext; }

private:
    [[nodiscard]] bool SourcesInSync(int index) const;
    void RefreshFlag(int index);
    // The runs of points first..last merged per source map, so each source pushes one block.
    template <typename Fn>
    void ForEachSourceBlock(int first, int last, Fn fn) const;

    std::vector<SourceRun> m_sources;
    DocumentContext m_pointContext;  // the document's, without an image
};

inline constexpr const char* kMarginsNotImplementedMessage = "GetMapUpperLowerMargins Not Implemented";
inline constexpr const char* kOffsetNotImplementedMessage = "OffsetMapByModuleUnits Not Implemented";
inline constexpr const char* kNotImplementedMessage = "Not Implemented";
inline constexpr const char* kIdleSyncNotEnabledMessage = "SynchronizeIdleMap not Enabled";
inline constexpr const char* kUserIdleSyncNotEnabledMessage = "SynchronizeUserIdleMap not Enabled";
inline constexpr const char* kLowIdleNotEnabledMessage = "GetMapLowIdleRpm not Enabled";

}  // namespace corvane
