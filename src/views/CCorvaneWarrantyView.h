#pragma once

#include <QScrollArea>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QLineEdit;
class QPushButton;

namespace corvane {

class CLinkController;
class LinkDocument;

// The warranty record of a family-B maps document: the rev-limit hits, the run time of each of
// the 60 engine-speed bands with their total, and the VIN. Its buttons read the record from the
// module, clear the module's logs, set the module's VIN, and keep the record in a service data
// file; Enter in the VIN field sends the typed VIN. Texts from the module are shown printable.
class CCorvaneWarrantyView : public QScrollArea {
    Q_OBJECT
public:
    static constexpr const char* kHeading = "Hours:Minutes:Seconds";
    static constexpr const char* kTotalLabel = "Total Hrs.";
    static constexpr const char* kSaveFailed = "The service data file could not be written.\n";
    static constexpr const char* kLoadFailed = "The service data file could not be read.\n";
    static constexpr int kLogRowsPerColumn = 20;

    // Asks for a new VIN ("Enter New VIN"); nullopt when cancelled. Tests answer without a
    // modal loop.
    using VinAsker = std::function<std::optional<std::string>()>;

    CCorvaneWarrantyView(LinkDocument& doc, CLinkController& link, QWidget* parent = nullptr);

    // Fields again from the document's warranty values.
    void OnDocumentUpdated();

    void ReadModule();
    void ClearModule();
    void EditVin();
    void SaveFile();
    void LoadFile();
    // Enter in the VIN field.
    void SendTypedVin();

    void SetVinAsker(VinAsker asker) { m_askVin = std::move(asker); }

    [[nodiscard]] QLineEdit* VinField() const { return m_vin; }
    [[nodiscard]] QLineEdit* RevLimitField() const { return m_revLimit; }
    [[nodiscard]] QLineEdit* LogField(int band) const;
    [[nodiscard]] QLineEdit* TotalField() const { return m_total; }
    // "Read Module", "Clear Module", "Edit VIN", "Save File", "Load File".
    [[nodiscard]] QPushButton* Button(const QString& text) const;

private:
    LinkDocument& m_doc;
    CLinkController& m_link;
    QLineEdit* m_vin = nullptr;
    QLineEdit* m_revLimit = nullptr;
    QLineEdit* m_total = nullptr;
    std::vector<QLineEdit*> m_logs;
    std::vector<QPushButton*> m_buttons;
    VinAsker m_askVin;
};

}  // namespace corvane
