#include "link/CModuleBackup.h"

#include <algorithm>
#include <vector>

#include "comms/api/Comms.h"
#include "documents/CCorvaneMapsDoc.h"
#include "link/CBasicSettingsLink.h"
#include "link/CLinkController.h"
#include "link/CModuleTransfer.h"
#include "link/LinkDocument.h"
#include "link/MapsDocumentLink.h"
#include "maps/CModuleMap.h"
#include "model/AppState.h"
#include "model/Prompter.h"

namespace corvane {

namespace {

const char* OperationOf(BackupReason reason) {
    switch (reason) {
        case BackupReason::kBeforeWrite: return "WRITE";
        case BackupReason::kBeforeUpgrade: return "firmware upgrade";
        case BackupReason::kBeforeRead: return "READ";
        case BackupReason::kBeforeReload: return "reload";
    }
    return "operation";
}

ModuleBackups::Result Failed(std::string error) {
    ModuleBackups::Result r;
    r.error = std::move(error);
    return r;
}

}  // namespace

ModuleBackups::Result CModuleBackup::ReadModule(BackupReason reason) {
    AppState& app = m_link.GetAppState();
    Comms& comms = m_link.GetComms();
    Prompter& prompter = m_link.GetPrompter();
    if (!app.moduleLinked) return Failed("no module is linked.");
    if (comms.ConnectedModuleId() == kUpgradeModeModuleId)
        return Failed("the module is in its firmware upgrade mode and has no maps to read.");

    // A document of its own, bound to no module: loading it pushes nothing anywhere.
    CCorvaneMapsDoc doc(app);
    MapsDocumentLink docLink(doc);
    const int n = doc.GetBasicMapCount();
    prompter.ProgressBegin(kReadingText, n + 1);
    prompter.ProgressStep(0);
    comms.SetCommunicationTimeoutMode(1);
    auto fail = [&](std::string error) {
        comms.SetCommunicationTimeoutMode(0);
        prompter.ProgressEnd();
        return Failed(std::move(error));
    };

    std::vector<Comms::MemoryBlock> blocks;
    std::vector<int> indices;
    std::vector<std::vector<std::uint8_t>> answers;
    for (int first = 0; first < n; first += CModuleTransfer::kReadBatchMaps) {
        blocks.clear();
        indices.clear();
        for (int i = first; i < std::min(n, first + CModuleTransfer::kReadBatchMaps); ++i) {
            const CModuleMap* map = doc.GetMap(i);
            if (map == nullptr || map->GetMapSizeBytes() <= 0) continue;
            blocks.push_back({map->GetStartAddress(), static_cast<std::uint16_t>(map->GetMapSizeBytes())});
            indices.push_back(i);
        }
        if (!comms.ReadModuleMemoryBlocks(blocks, answers) || answers.size() != blocks.size())
            return fail("the module did not answer while its maps were read.");
        for (std::size_t k = 0; k < indices.size(); ++k) {
            if (!CModuleTransfer::LoadMapFromModuleBytes(*doc.GetMap(indices[k]), answers[k]))
                return fail("the module's answer for a map was too short.");
            prompter.ProgressStep(indices[k] + 1);
        }
    }
    CBasicSettingsLink settings(m_link);
    if (!settings.ReadSettingsFromModule(docLink))
        return fail("the module did not answer while its basic settings were read.");
    for (int i = n; i < n + doc.GetCompositeMapCount(); ++i)
        if (CModuleMap* composite = doc.GetMap(i)) composite->CreateMapPoints();
    std::string name;
    if (!m_link.GetModuleBaseMapName(name)) return fail("the module's base map name could not be read.");
    doc.SetBaseMapName(name);
    prompter.ProgressStep(n + 1);
    comms.SetCommunicationTimeoutMode(0);

    const std::vector<std::uint8_t> bytes = doc.SaveToBytes();
    ModuleBackups::Result result = m_files.Store(bytes, name, reason);
    prompter.ProgressEnd();
    return result;
}

ModuleBackups::Result CModuleBackup::SaveDocument(LinkDocument& doc, BackupReason reason) {
    const std::vector<std::uint8_t> bytes = doc.MapFileBytes();
    if (bytes.empty()) return Failed("the document cannot be saved as a map file.");
    return m_files.Store(bytes, doc.GetBaseMapName(), reason);
}

bool CModuleBackup::Guard(BackupReason reason, LinkDocument* doc) {
    m_last = doc != nullptr ? SaveDocument(*doc, reason) : ReadModule(reason);
    if (m_last.ok) return true;

    const std::string operation = OperationOf(reason);
    const std::string what = doc != nullptr ? "The document could not be saved to a backup before the " + operation + ":\n"
                                            : "The module's maps and settings could not be backed up before the " +
                                                  operation + ":\n";
    Prompter& prompter = m_link.GetPrompter();
    if (m_onFailure == OnFailure::kStop) {
        prompter.Message(what + m_last.error + "\n\nThe " + operation + " was not started.", kFailedTitle,
                         Prompter::Icon::Error);
        return false;
    }
    return prompter.Message(what + m_last.error + "\n\nGo on with the " + operation + " WITHOUT a backup?",
                            kFailedTitle, Prompter::Icon::Warning, Prompter::Buttons::YesNo) == Prompter::Answer::Yes;
}

}  // namespace corvane
