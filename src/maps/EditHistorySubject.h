#pragma once

#include <string>

#include "model/ModuleValue.h"

namespace corvane {

class CModuleMapBasic;

// What the edit history needs of a document: the values it records and the ways to put them
// back that an edit of each would take. The maps document implements it; tests use small
// documents of their own.
class EditHistorySubject {
public:
    virtual ~EditHistorySubject() = default;

    // Every map, basic maps first; composites stand on basic maps and come after them.
    [[nodiscard]] virtual int HistoryMapCount() const = 0;
    [[nodiscard]] virtual CModuleMapBasic* HistoryMap(int index) = 0;
    [[nodiscard]] virtual int HistorySettingCount() const = 0;
    [[nodiscard]] virtual ModuleValue* HistorySetting(int index) = 0;
    [[nodiscard]] virtual std::string HistoryName() const = 0;

    // A setting takes back a recorded state as a setting edit does: into the image, to a
    // linked module, in sync only when the module took it, the document marked modified.
    virtual void RestoreHistorySetting(int index, const ValueState& state) = 0;
    // The base map name takes back a recorded text, as renaming the tune does.
    virtual void RestoreHistoryName(const std::string& name) = 0;

    // The modified mark: the history clears it when the document returns to the values it
    // was last saved or loaded with, and sets it otherwise.
    [[nodiscard]] virtual bool HistoryModified() const = 0;
    virtual void SetHistoryModified(bool modified) = 0;
};

}  // namespace corvane
