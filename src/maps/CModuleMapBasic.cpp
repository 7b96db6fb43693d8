#include "maps/CModuleMapBasic.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

#include "comms/api/Comms.h"
#include "model/Archive.h"
#include "model/CModuleMemoryMapMirror.h"
#include "model/LinkSeam.h"

namespace corvane {

CModuleMapBasic::CModuleMapBasic(const MapDescription& description, const DocumentContext* context,
                                 ValueFactory factory)
    : CModuleMap(description, context),
      m_valueFactory(factory ? std::move(factory) : DefaultValueFactory(description.bytesPerPoint)) {
    BuildAxisGrid();
}

CModuleMapBasic::~CModuleMapBasic() = default;

CModuleMapBasic::ValueFactory CModuleMapBasic::DefaultValueFactory(int bytesPerPoint) {
    if (bytesPerPoint == 2)
        return [](std::uint16_t, double, const DocumentContext* context) -> std::unique_ptr<ModuleValue> {
            return std::make_unique<WordModuleValue>(context);
        };
    return [](std::uint16_t, double, const DocumentContext* context) -> std::unique_ptr<ModuleValue> {
        return std::make_unique<ByteModuleValue>(context);
    };
}

// ---------------------------------------------------------------------------------------------
// Life cycle

void CModuleMapBasic::CreateMapPoints() {
    m_points.clear();
    m_savedModuleValues.clear();
    m_savedTrims.clear();
    m_savedTrimShownValues.clear();
    m_mapSize = 0;
    const int n = std::max(m_description.numberOfPoints, 0);
    m_points.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double x = n > 1 ? m_displayMinimum.x + static_cast<double>(i) / (n - 1) * GetXSpan()
                               : m_displayMinimum.x;
        const auto address =
            static_cast<std::uint16_t>(m_description.startAddress + i * m_description.bytesPerPoint);
        std::unique_ptr<CModuleMapPoint> owned;
        if (IsComposite())
            owned = std::make_unique<CModuleMapPointComposite>();
        else
            owned = std::make_unique<CModuleMapPointBasic>();
        owned->Initialize(m_valueFactory(address, x, PointContext()), address, x, m_displayMinimum.y,
                          m_displayMaximum.y, m_moduleMinimum.y, m_moduleMaximum.y, m_lowerMargin.y,
                          m_upperMargin.y, m_description.marginType);
        m_mapSize += owned->GetByteWidth();
        m_points.push_back(std::move(owned));
    }
    SaveUndoCopies();
}

void CModuleMapBasic::SaveUndoCopies() {
    const std::size_t n = m_points.size();
    m_savedModuleValues.resize(n);
    m_savedTrims.resize(n);
    m_savedTrimShownValues.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        // The module value, not the bare base: restoring it must give back what the module held.
        m_savedModuleValues[i] = m_points[i]->GetModuleValue();
        m_savedTrims[i] = m_points[i]->GetTrimValue();
        m_savedTrimShownValues[i] = m_points[i]->GetTrimShownValue();
    }
}

void CModuleMapBasic::Serialize(Archive& archive, int fileVersion) {
    for (auto& point : m_points) point->Serialize(archive, fileVersion);
    if (archive.IsLoading()) SaveUndoCopies();
}

void CModuleMapBasic::LoadFileRecords(std::span<const ValueRecord> records) {
    const std::size_t n = std::min(m_points.size(), records.size());
    for (std::size_t i = 0; i < n; ++i) m_points[i]->GetValue().LoadFileRecord(records[i]);
    SaveUndoCopies();
}

// ---------------------------------------------------------------------------------------------
// Primitives

void CModuleMapBasic::ApplyBase(int index, int moduleValue) { Point(index).AssignBase(moduleValue); }

void CModuleMapBasic::ApplyTrim(int index, int trim) { Point(index).AssignTrim(trim); }

bool CModuleMapBasic::IsLinked() const {
    return m_context != nullptr && m_context->link != nullptr && m_context->link->IsLinked();
}

bool CModuleMapBasic::NormaliseRange(int& first, int& last) const {
    if (first > last) std::swap(first, last);
    first = std::max(first, 0);
    last = std::min(last, PointCount() - 1);
    return first <= last;
}

bool CModuleMapBasic::CheckTrimMarginType() const {
    const int type = m_description.marginType;
    if (type == 1 || type == 2) return true;
    Tell(kUnknownUserTypeMessage);
    return false;
}

void CModuleMapBasic::AssignBlockBase(int first, int last, int value) {
    if (!NormaliseRange(first, last)) return;
    for (int i = first; i <= last; ++i) ApplyBase(i, value);
}

void CModuleMapBasic::AssignBlockTrimDelta(int first, int last, int delta) {
    if (!NormaliseRange(first, last)) return;
    for (int i = first; i <= last; ++i) ApplyTrim(i, Point(i).GetTrimValue() + delta);
}

void CModuleMapBasic::PushPoints(int first, int last) {
    if (!NormaliseRange(first, last)) return;
    const bool written = IsLinked() && WritePointsToModule(first, last);
    for (int i = first; i <= last; ++i) {
        if (written)
            Point(i).MarkInSync();
        else
            Point(i).MarkNotInSync();
    }
    if (m_context != nullptr) m_context->NotifyModified();
}

bool CModuleMapBasic::WritePointsToModule(int first, int last) {
    if (!NormaliseRange(first, last)) return false;
    if (m_context == nullptr || m_context->image == nullptr || m_context->link == nullptr) return false;
    const std::uint16_t address = Point(first).GetAddress();
    int count = 0;
    for (int i = first; i <= last; ++i) count += Point(i).GetByteWidth();
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k)
        bytes[static_cast<std::size_t>(k)] = m_context->image->ReadByte(static_cast<std::uint16_t>(address + k));
    return m_context->link->WriteBlock(address, bytes);
}

int CModuleMapBasic::WriteSinglePointToModule(int /*index*/) {
    Tell(kSinglePointRemovedMessage);
    return 0;
}

bool CModuleMapBasic::ReadMapFromModule() {
    if (m_context == nullptr || m_context->comms == nullptr) return false;
    return m_context->comms->ReadModuleMemoryBlock(m_description.startAddress,
                                                   static_cast<std::uint16_t>(m_mapSize));
}

// ---------------------------------------------------------------------------------------------
// Base edits

int CModuleMapBasic::StepPointByDisplayUnits(int index, double delta) {
    if (!IsValidIndex(index)) return 0;
    const CModuleMapPoint& p = Point(index);
    // The point moves to where it was dragged: the step is measured from its module value.
    const int target = p.DisplayToModule(p.GetDisplayValue() + delta);
    return StepPointByModuleUnits(index, target - p.GetModuleValue());
}

int CModuleMapBasic::StepPointByModuleUnits(int index, int delta) {
    if (!IsValidIndex(index)) return 0;
    const int v = Point(index).GetModuleValue();
    m_savedModuleValues[static_cast<std::size_t>(index)] = v;
    ApplyBase(index, v + delta);
    PushPoints(index, index);
    return 0;
}

int CModuleMapBasic::UpdateMapPointBlockBaseValuesByDelta(int first, int last, int delta) {
    if (!NormaliseRange(first, last)) return 0;
    for (int i = first; i <= last; ++i) ApplyBase(i, Point(i).GetModuleValue() + delta);
    PushPoints(first, last);
    return 0;
}

int CModuleMapBasic::SetBlockModuleValue(int first, int last, int value) {
    if (!NormaliseRange(first, last)) return 0;
    AssignBlockBase(first, last, value);
    PushPoints(first, last);
    return 0;
}

int CModuleMapBasic::FitLine(int first, int last) {
    const int n = PointCount();
    const bool toEnd = last == -1;
    if (toEnd) last = n - 1;
    if (first < 0 || first >= n || last < 0 || last >= n) return 0;
    if (first > last) std::swap(first, last);
    // A line needs two distinct end points; one marked point leaves the curve as it is.
    if (!toEnd && first == last) return 0;

    const double xA = Point(first).GetX();
    const double yA = Point(first).GetBaseDisplayValue();
    double slope = 0.0;
    if (!toEnd) {
        const double xB = Point(last).GetX();
        if (xB == xA) return 0;
        slope = (Point(last).GetBaseDisplayValue() - yA) / (xB - xA);
    }
    for (int i = first; i <= last; ++i) {
        CModuleMapPoint& p = Point(i);
        const double y = yA + (p.GetX() - xA) * slope;
        const int m = p.GetValue().ClampModuleValue(p.DisplayToModule(y));
        m_savedModuleValues[static_cast<std::size_t>(i)] = p.GetModuleValue();
        ApplyBase(i, m);
    }
    PushPoints(first, last);
    return 0;
}

int CModuleMapBasic::FitArc(int first, int middle, int last) {
    const int n = PointCount();
    if (first < 0 || middle < 0 || last < 0 || first >= n || middle >= n || last >= n) return 0;
    // Order the three points along x.
    int idx[3] = {first, middle, last};
    std::sort(idx, idx + 3);
    first = idx[0];
    middle = idx[1];
    last = idx[2];
    if (first == middle || middle == last) return FitLine(first, last);

    const double ax = Point(first).GetX(), ay = Point(first).GetBaseDisplayValue();
    const double bx = Point(middle).GetX(), by = Point(middle).GetBaseDisplayValue();
    const double cx = Point(last).GetX(), cy = Point(last).GetBaseDisplayValue();
    if (ay == by && by == cy) return 0;

    // Collinear points have parallel chord bisectors and no centre: the arc is a line.
    const double cross = (bx - ax) * (cy - ay) - (by - ay) * (cx - ax);
    const double scale = (std::fabs(bx - ax) + std::fabs(cx - ax)) *
                         (std::fabs(by - ay) + std::fabs(cy - ay));
    if (std::fabs(cross) <= 1e-12 * scale) return FitLine(first, last);

    // Centre: intersection of the perpendicular bisectors of the two chords.
    const double d = 2.0 * (ax * (by - cy) + bx * (cy - ay) + cx * (ay - by));
    const double a2 = ax * ax + ay * ay, b2 = bx * bx + by * by, c2 = cx * cx + cy * cy;
    const double ux = (a2 * (by - cy) + b2 * (cy - ay) + c2 * (ay - by)) / d;
    const double uy = (a2 * (cx - bx) + b2 * (ax - cx) + c2 * (bx - ax)) / d;
    const double r2 = (ax - ux) * (ax - ux) + (ay - uy) * (ay - uy);
    // The branch of the circle that carries the middle point.
    const double middleRoot = std::sqrt(std::max(0.0, r2 - (bx - ux) * (bx - ux)));
    const double sign = std::fabs(uy + middleRoot - by) <= std::fabs(uy - middleRoot - by) ? 1.0 : -1.0;

    for (int i = first; i <= last; ++i) {
        CModuleMapPoint& p = Point(i);
        m_savedModuleValues[static_cast<std::size_t>(i)] = p.GetModuleValue();
        if (i == first || i == middle || i == last) continue;
        const double dx = p.GetX() - ux;
        const double y = uy + sign * std::sqrt(std::max(0.0, r2 - dx * dx));
        ApplyBase(i, p.GetValue().ClampModuleValue(p.DisplayToModule(y)));
    }
    PushPoints(first, last);
    return 0;
}

int CModuleMapBasic::PasteBlock(const std::vector<CClipBoardItem>& items, int first, int last) {
    if (!NormaliseRange(first, last)) return 0;
    // Items are addressed by point index; indices the map does not have are left out.
    std::map<int, int> byIndex;
    for (const auto& item : items) byIndex.emplace(item.index, item.moduleValue);
    bool any = false;
    for (int i = first; i <= last; ++i) {
        const auto it = byIndex.find(i);
        if (it == byIndex.end()) continue;
        m_savedModuleValues[static_cast<std::size_t>(i)] = Point(i).GetModuleValue();
        ApplyBase(i, it->second);
        any = true;
    }
    if (any) PushPoints(first, last);
    return 0;
}

int CModuleMapBasic::RestoreBlock(int first, int last) {
    if (!NormaliseRange(first, last)) return 0;
    for (int i = first; i <= last; ++i) ApplyBase(i, m_savedModuleValues[static_cast<std::size_t>(i)]);
    PushPoints(first, last);
    return 0;
}

bool CModuleMapBasic::GetMapUpperLowerMargins(int& down, int& up) {
    down = up = 0;
    if (m_points.empty()) return false;
    int lowest = std::numeric_limits<int>::max();
    int highest = std::numeric_limits<int>::min();
    for (const auto& p : m_points) {
        lowest = std::min(lowest, p->GetModuleValue());
        highest = std::max(highest, p->GetModuleValue());
    }
    down = std::max(0, lowest - Point(0).GetModuleMinimum());
    up = std::max(0, Point(0).GetModuleMaximum() - highest);
    return true;
}

int CModuleMapBasic::OffsetMapByModuleUnits(int delta) {
    int down = 0, up = 0;
    if (!GetMapUpperLowerMargins(down, up)) return 0;
    // The curve keeps its shape: it moves only as far as its lowest and highest points can.
    delta = std::clamp(delta, -down, up);
    if (delta == 0) return 0;
    for (int i = 0; i < PointCount(); ++i) {
        const int v = Point(i).GetModuleValue();
        m_savedModuleValues[static_cast<std::size_t>(i)] = v;
        ApplyBase(i, v + delta);
    }
    PushPoints(0, PointCount() - 1);
    return 0;
}

int CModuleMapBasic::SynchronizeIdleMap(int target) {
    if (m_points.empty()) return 0;
    int lowest = std::numeric_limits<int>::max();
    for (const auto& p : m_points) lowest = std::min(lowest, p->GetModuleValue());
    if (lowest != target) OffsetMapByModuleUnits(target - lowest);
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Trim edits

int CModuleMapBasic::StepBlockTrimByModuleUnits(int first, int last, int delta) {
    if (!NormaliseRange(first, last)) return 0;
    AssignBlockTrimDelta(first, last, delta);
    PushPoints(first, last);
    return 0;
}

int CModuleMapBasic::StepPointTrimByDisplayUnits(int index, double delta) {
    if (!IsValidIndex(index)) return 0;
    const CModuleMapPoint& p = Point(index);
    const ModuleValue& v = p.GetValue();
    // The drag adds to the trim as an offset in display units, whatever the trim is shown in.
    const double offset = v.ModuleToDisplay(v.GetBaseValue() + v.GetTrimValue()) - v.GetBaseDisplayValue();
    const int trim = v.TrimOffsetToModule(offset + delta);
    return StepPointTrimByModuleUnits(index, trim - v.GetTrimValue());
}

int CModuleMapBasic::StepPointTrimByModuleUnits(int index, int delta) {
    if (!IsValidIndex(index)) return 0;
    const CModuleMapPoint& p = Point(index);
    // A percentage of zero cannot move.
    if (p.GetBaseDisplayValue() == 0.0 && p.GetMarginType() == 1) return 0;
    ApplyTrim(index, p.GetTrimValue() + delta);
    PushPoints(index, index);
    return 0;
}

int CModuleMapBasic::RestoreTrims(int first, int last) {
    if (!CheckTrimMarginType()) return 0;
    if (!NormaliseRange(first, last)) return 0;
    for (int i = first; i <= last; ++i) ApplyTrim(i, m_savedTrims[static_cast<std::size_t>(i)]);
    PushPoints(first, last);
    return 0;
}

int CModuleMapBasic::PpfFit(int first, int last) {
    if (!CheckTrimMarginType()) return 0;
    const int n = PointCount();
    if (first < 0 || last < 0 || first >= n || last >= n) return 0;
    if (first > last) std::swap(first, last);
    const double xA = Point(first).GetX();
    const double xB = Point(last).GetX();
    // A fit needs two distinct end points.
    if (first == last || xA == xB) return 0;

    const bool percent = m_description.marginType == 1;
    auto endValue = [&](const CModuleMapPoint& p) {
        return percent ? p.GetTrimShownValue() : p.GetValue().TrimToDisplay(p.GetTrimValue());
    };
    const double dA = endValue(Point(first));
    const double slope = (endValue(Point(last)) - dA) / (xB - xA);
    for (int i = first; i <= last; ++i) {
        CModuleMapPoint& p = Point(i);
        const double d = dA + (p.GetX() - xA) * slope;
        const int trim = percent ? p.GetValue().TrimForShownValue(d) : p.GetValue().TrimOffsetToModule(d);
        m_savedTrims[static_cast<std::size_t>(i)] = p.GetTrimValue();
        m_savedTrimShownValues[static_cast<std::size_t>(i)] = p.GetTrimShownValue();
        ApplyTrim(i, trim);
    }
    PushPoints(first, last);
    return 0;
}

int CModuleMapBasic::PasteTrims(const std::vector<CClipBoardItem>& items) {
    if (!CheckTrimMarginType()) return 0;
    const bool percent = m_description.marginType == 1;
    int first = PointCount(), last = -1;
    for (const auto& item : items) {
        if (!IsValidIndex(item.index)) continue;
        CModuleMapPoint& p = Point(item.index);
        const int trim = percent ? p.GetValue().TrimForShownValue(item.value) : item.moduleValue;
        m_savedTrims[static_cast<std::size_t>(item.index)] = p.GetTrimValue();
        m_savedTrimShownValues[static_cast<std::size_t>(item.index)] = p.GetTrimShownValue();
        ApplyTrim(item.index, trim);
        first = std::min(first, item.index);
        last = std::max(last, item.index);
    }
    if (first <= last) PushPoints(first, last);
    return 0;
}

int CModuleMapBasic::SetBlockTrim(int first, int end, int trim) {
    int last = end - 1;
    if (!NormaliseRange(first, last)) return 1;
    for (int i = first; i <= last; ++i) ApplyTrim(i, trim);
    PushPoints(first, last);
    return 1;
}

bool CModuleMapBasic::GetMapTrimUpperLowerMargins(int& down, int& up) {
    down = up = 0;
    if (m_points.empty()) return false;
    // Each point's trim may move only within its own band, so the whole set of trims moves
    // as far as the point nearest to its band edge allows.
    int downMost = std::numeric_limits<int>::max();
    int upMost = std::numeric_limits<int>::max();
    for (const auto& p : m_points) {
        const ModuleValue& v = p->GetValue();
        if (v.GetLowerMarginLimit() == v.GetUpperMarginLimit()) return true;  // no margins
        downMost = std::min(downMost, v.GetModuleValue() - v.GetLowerMarginLimit());
        upMost = std::min(upMost, v.GetUpperMarginLimit() - v.GetModuleValue());
    }
    down = std::max(0, downMost);
    up = std::max(0, upMost);
    return true;
}

int CModuleMapBasic::OffsetMapTrimsByModuleUnits(int delta) {
    int down = 0, up = 0;
    if (!GetMapTrimUpperLowerMargins(down, up)) return 0;
    delta = std::clamp(delta, -down, up);
    if (delta == 0) return 0;
    AssignBlockTrimDelta(0, PointCount() - 1, delta);
    PushPoints(0, PointCount() - 1);
    return 0;
}

int CModuleMapBasic::SynchronizeUserIdleMap(int target) {
    if (m_points.empty()) return 0;
    int lowest = std::numeric_limits<int>::max();
    for (const auto& p : m_points) lowest = std::min(lowest, p->GetBaseValue() + p->GetTrimValue());
    if (lowest != target) OffsetMapTrimsByModuleUnits(target - lowest);
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Module transfer

void CModuleMapBasic::LoadPointFromModule(int index, int raw) {
    if (IsValidIndex(index)) Point(index).LoadFromModuleBytes(raw);
}

void CModuleMapBasic::LoadPointBaseFromModule(int index, int raw) {
    if (!IsValidIndex(index)) return;
    ModuleValue& v = Point(index).GetValue();
    v.LoadBaseFromModuleBytes(raw);
    // The trim is what lies between the base and what the module holds (0 after a READ, which
    // loads both from the same bytes), so a later trim step does not add an old trim again.
    const bool inSync = v.IsInSync();
    v.SetBaseAndTrim(v.GetBaseValue(), v.GetModuleValue() - v.GetBaseValue());
    if (inSync) v.MarkInSync();
}

void CModuleMapBasic::MarkPointInSync(int index) {
    if (IsValidIndex(index)) Point(index).MarkInSync();
}

void CModuleMapBasic::SetPointMargins(int index, double lower, double upper) {
    if (IsValidIndex(index)) Point(index).SetMargins(lower, upper);
}

// ---------------------------------------------------------------------------------------------
// Queries

bool CModuleMapBasic::GetMinMaxBaseValue(int& minimum, int& maximum) {
    minimum = maximum = 0;
    if (m_points.empty()) return false;
    minimum = std::numeric_limits<int>::max();
    maximum = std::numeric_limits<int>::min();
    for (const auto& p : m_points) {
        minimum = std::min(minimum, p->GetBaseValue());
        maximum = std::max(maximum, p->GetBaseValue());
    }
    return true;
}

bool CModuleMapBasic::GetMinMaxTrimValue(int& minimum, int& maximum) {
    minimum = maximum = 0;
    if (m_points.empty()) return false;
    minimum = std::numeric_limits<int>::max();
    maximum = std::numeric_limits<int>::min();
    for (const auto& p : m_points) {
        minimum = std::min(minimum, p->GetTrimValue());
        maximum = std::max(maximum, p->GetTrimValue());
    }
    return true;
}

bool CModuleMapBasic::GetMapLowIdleRpm(int& result) {
    result = 0;
    if (m_points.empty()) return false;
    int best = 0;
    for (int i = 1; i < PointCount(); ++i) {
        if (Point(i).GetBaseValue() + Point(i).GetTrimValue() <
            Point(best).GetBaseValue() + Point(best).GetTrimValue())
            best = i;
    }
    result = Point(best).GetBaseValue() + Point(best).GetTrimValue();
    return true;
}

CModuleMapPoint* CModuleMapBasic::GetMapPoint(int index) {
    return IsValidIndex(index) ? &Point(index) : nullptr;
}
const CModuleMapPoint* CModuleMapBasic::GetMapPoint(int index) const {
    return IsValidIndex(index) ? &Point(index) : nullptr;
}
bool CModuleMapBasic::IsPointInSync(int index) const { return IsValidIndex(index) && Point(index).IsInSync(); }
double CModuleMapBasic::GetPointX(int index) const { return IsValidIndex(index) ? Point(index).GetX() : 0.0; }
int CModuleMapBasic::GetPointModuleValue(int index) const {
    return IsValidIndex(index) ? Point(index).GetModuleValue() : 0;
}
double CModuleMapBasic::GetPointDisplayValue(int index) const {
    return IsValidIndex(index) ? Point(index).GetDisplayValue() : 0.0;
}
int CModuleMapBasic::GetPointBaseValue(int index) const {
    return IsValidIndex(index) ? Point(index).GetBaseValue() : 0;
}
double CModuleMapBasic::GetPointBaseDisplayValue(int index) const {
    return IsValidIndex(index) ? Point(index).GetBaseDisplayValue() : 0.0;
}
int CModuleMapBasic::GetPointTrimValue(int index) const {
    return IsValidIndex(index) ? Point(index).GetTrimValue() : 0;
}
double CModuleMapBasic::GetPointTrimDisplayValue(int index) const {
    return IsValidIndex(index) ? Point(index).GetTrimDisplayValue() : 0.0;
}
double CModuleMapBasic::GetPointTrimShownValue(int index) const {
    return IsValidIndex(index) ? Point(index).GetTrimShownValue() : 0.0;
}
int CModuleMapBasic::GetSavedModuleValue(int index) const {
    return IsValidIndex(index) ? m_savedModuleValues[static_cast<std::size_t>(index)] : 0;
}
int CModuleMapBasic::GetSavedTrim(int index) const {
    return IsValidIndex(index) ? m_savedTrims[static_cast<std::size_t>(index)] : 0;
}
double CModuleMapBasic::GetSavedTrimShownValue(int index) const {
    return IsValidIndex(index) ? m_savedTrimShownValues[static_cast<std::size_t>(index)] : 0.0;
}

}  // namespace corvane
