#include "link/MapsDocumentLink.h"

#include <vector>

#include "documents/CCorvaneMapsDoc.h"
#include "maps/CModuleMap.h"

namespace corvane {

MapsDocumentLink::MapsDocumentLink(CCorvaneMapsDoc& doc, std::function<void()> updateAllViews)
    : m_doc(doc), m_updateAllViews(std::move(updateAllViews)) {}

MapsDocumentLink::~MapsDocumentLink() = default;

int MapsDocumentLink::GetBasicMapCount() const { return m_doc.GetBasicMapCount(); }
int MapsDocumentLink::GetCompositeMapCount() const { return m_doc.GetCompositeMapCount(); }
CModuleMap* MapsDocumentLink::GetMap(int index) { return m_doc.GetMap(index); }
CBasicSettingsModuleValue* MapsDocumentLink::GetSetting(int index) { return m_doc.GetSetting(index); }
WarrantyValues* MapsDocumentLink::GetWarranty() { return m_doc.GetWarrantyValues(); }
const CModuleMemoryMapMirror& MapsDocumentLink::GetImage() const { return m_doc.Image(); }
std::string MapsDocumentLink::GetBaseMapName() const { return m_doc.GetBaseMapName(); }
void MapsDocumentLink::SetBaseMapName(const std::string& name) { m_doc.SetBaseMapName(name); }
bool MapsDocumentLink::HasFilePath() const { return !m_doc.GetPathName().empty(); }
void MapsDocumentLink::SetModifiedFlag() { m_doc.SetModifiedFlag(); }

bool MapsDocumentLink::IsModified() const { return m_doc.IsModified(); }

std::vector<std::uint8_t> MapsDocumentLink::MapFileBytes() { return m_doc.SaveToBytes(); }

EditHistory* MapsDocumentLink::History() { return &m_doc.History(); }

std::string MapsDocumentLink::OutOfLimitsText() const { return m_doc.OutOfLimitsText(); }

void MapsDocumentLink::UpdateAllViews() {
    if (m_updateAllViews) m_updateAllViews();
}

void MapsDocumentLink::AfterSettingChanged(int index) { m_doc.AfterSettingEntered(index); }

}  // namespace corvane
