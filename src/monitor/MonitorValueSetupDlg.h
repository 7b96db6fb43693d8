#pragma once

#include <string>
#include <vector>

#include "monitor/CMonitoredItem.h"

namespace corvane {

// The logic of the "Monitor Display Setup" dialog: which fields of an item the user may edit,
// and the checks run on OK. The window shows the boxes and calls these operations.
class MonitorValueSetupDlg {
public:
    static constexpr const char* kTitle = "Monitor Display Setup";
    static constexpr const char* kValidationFailedText =
        "Validation of data failed.\n'Adjustments' to within limits automatically applied."
        "\nPlease review all values and OK or edited as desired.";

    // The editable boxes.
    struct Boxes {
        std::string setupUnits;
        bool ownWindow = false;
        double gaugeMinimum = 0.0;
        double gaugeMaximum = 0.0;
        double yellowStop = 0.0;
        double redStart = 0.0;
    };

    enum class Outcome { StaysOpen, ClosedOk, Cancelled };

    MonitorValueSetupDlg(std::vector<CMonitoredItem>& items, int index);

    // The names of the drop-down list (setup names of all items, in order, shown printable).
    [[nodiscard]] std::vector<std::string> ListNames() const;
    [[nodiscard]] int Index() const { return m_index; }
    [[nodiscard]] const CMonitoredItem& Item() const { return m_items.at(static_cast<std::size_t>(m_index)); }
    // The "Current Value" box: the item's value as the group window shows it now (the stream
    // refreshes it on every packet, whether or not the item has a gauge of its own), or, before
    // any packet, the value its gauge last showed. Printable.
    [[nodiscard]] std::string CurrentValueText() const;

    // What the boxes show now; the window edits these.
    Boxes boxes;

    // Selection change of the list: the boxes go into the edited item, then item `index` is shown.
    void SelectItem(int index);
    // OK: take the boxes into the item, check and correct them, show the corrected values.
    // StaysOpen (with the validation message in `message`) when anything was corrected.
    Outcome Ok(std::string* message = nullptr);
    [[nodiscard]] Outcome Cancel() const { return Outcome::Cancelled; }

    // The nine range rules on an item, each applied to the values the rules before it left;
    // returns how many values changed.
    static int ApplyRangeRules(CMonitoredItem& item);

private:
    void TakeBoxes();
    void ShowItem();

    std::vector<CMonitoredItem>& m_items;
    int m_index;
};

}  // namespace corvane
