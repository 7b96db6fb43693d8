#include "link/CWarrantyLink.h"

#include <cstdio>

#include "comms/api/Comms.h"
#include "documents/ServiceDataFile.h"
#include "link/CLinkController.h"
#include "link/LinkDocument.h"
#include "link/LinkMessages.h"
#include "link/PacketQueueWriting.h"
#include "model/CModuleMemoryMapMirror.h"
#include "model/PrintableText.h"
#include "model/Prompter.h"
#include "model/WarrantyValues.h"

namespace corvane {

std::string CWarrantyLink::ReadRecord(LinkDocument& doc) {
    WarrantyValues* record = doc.GetWarranty();
    if (record == nullptr) return {};
    Comms& comms = m_link.GetComms();

    // The VIN is read into the value and its image bytes, so the image mirrors the module.
    if (!comms.ReadModuleMemoryBlock(kVinAddress, kVinLength)) return record->vin->GetLabel();
    const auto data = comms.GetReceivedData();
    std::string text;
    for (std::size_t i = 0; i < data.size() && i < static_cast<std::size_t>(kVinLength) && data[i] != 0; ++i)
        text.push_back(static_cast<char>(data[i]));
    record->vin->SetText(text);

    if (!record->revLimitHits->ReadFromModule(comms)) return record->revLimitHits->GetLabel();
    for (auto& log : record->logs)
        if (!log->ReadFromModule(comms)) return log->GetLabel();
    return {};
}

bool CWarrantyLink::ReadWarranty(LinkDocument& doc) {
    std::string failed;
    Prompter& prompter = m_link.GetPrompter();
    {
        ModuleOperation operation(m_link);
        if (!operation.Ok()) return false;
        prompter.WaitBegin(msg::kWarrantyInfoTitle, msg::kRetrievingWarranty);
        failed = ReadRecord(doc);
    }
    doc.UpdateAllViews();
    prompter.WaitEnd();
    if (!failed.empty()) {
        prompter.Message(msg::kWarrantyReadFailed + failed, {}, Prompter::Icon::Error);
        return false;
    }
    return true;
}

bool CWarrantyLink::ClearWarranty(LinkDocument& doc) {
    Prompter& prompter = m_link.GetPrompter();
    if (prompter.Message(msg::kClearWarrantyQuestion, {}, Prompter::Icon::Warning,
                         Prompter::Buttons::OkCancel) != Prompter::Answer::Ok)
        return false;
    WarrantyValues* record = doc.GetWarranty();
    if (record == nullptr) return false;

    std::string clearFailed;
    std::string readFailed;
    {
        ModuleOperation operation(m_link);
        if (!operation.Ok()) return false;
        prompter.WaitBegin(msg::kWarrantyRpmTitle, msg::kClearingRpm);
        Comms& comms = m_link.GetComms();
        {
            PacketQueueWriting hold(comms);
            if (!record->revLimitHits->ClearInModule(comms) || !record->revLimitHits->ReadFromModule(comms))
                clearFailed = record->revLimitHits->GetLabel();
            for (auto& log : record->logs) {
                if (!clearFailed.empty()) break;
                if (!log->ClearInModule(comms) || !log->ReadFromModule(comms)) clearFailed = log->GetLabel();
            }
            // What the module holds now, whether or not every log was cleared.
            readFailed = ReadRecord(doc);
        }
    }
    doc.UpdateAllViews();
    prompter.WaitEnd();
    if (!clearFailed.empty()) {
        prompter.Message(msg::kWarrantyClearFailed + clearFailed, {}, Prompter::Icon::Error);
        return false;
    }
    if (!readFailed.empty()) {
        prompter.Message(msg::kWarrantyReadFailed + readFailed, {}, Prompter::Icon::Error);
        return false;
    }
    return true;
}

bool CWarrantyLink::VinFits(const std::string& text) {
    if (text.size() <= static_cast<std::size_t>(kVinLength)) return true;
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "%s%d.", msg::kVinTooLong, kVinLength);
    m_link.GetPrompter().Message(buffer, msg::kVinNotSetTitle);
    return false;
}

bool CWarrantyLink::EditVin(LinkDocument& doc, const std::optional<std::string>& dialogText) {
    if (!dialogText) return false;
    // The dialog limits its field to the VIN's length; a caller without that dialog is held to
    // the same limit here.
    if (!VinFits(*dialogText)) return false;
    return SendVin(doc, *dialogText);
}

bool CWarrantyLink::CheckAndSendVin(LinkDocument& doc, const std::string& shownText) {
    const auto bytes = BytesOfPrintableText(shownText);
    if (!bytes) {
        m_link.GetPrompter().Message(msg::kVinNotPrintable, msg::kVinNotSetTitle);
        return false;
    }
    if (!VinFits(*bytes)) return false;
    return SendVin(doc, *bytes);
}

bool CWarrantyLink::SendVin(LinkDocument& doc, const std::string& text) {
    WarrantyValues* record = doc.GetWarranty();
    if (record == nullptr) return false;
    bool ok = true;
    {
        ModuleOperation operation(m_link);
        if (!operation.Ok()) return false;
        Comms& comms = m_link.GetComms();
        PacketQueueWriting hold(comms);
        record->vin->SetText(text);
        // The 32 zero-padded bytes go out from the image in 4-byte blocks.
        const CModuleMemoryMapMirror& image = doc.GetImage();
        for (int b = 0; b < kVinLength / 4 && ok; ++b) {
            const auto address = static_cast<std::uint16_t>(kVinAddress + 4 * b);
            std::uint8_t bytes[4];
            for (int i = 0; i < 4; ++i) bytes[i] = image.ReadByte(static_cast<std::uint16_t>(address + i));
            ok = comms.WriteModuleMemoryBlock(address, bytes, 4);
        }
    }
    doc.UpdateAllViews();
    if (!ok) m_link.GetPrompter().Message(msg::kVinWriteFailed, {}, Prompter::Icon::Error);
    return ok;
}

bool CWarrantyLink::SaveServiceData(LinkDocument& doc, const std::string& path) {
    const WarrantyValues* record = doc.GetWarranty();
    return record != nullptr && ServiceDataFile::Save(path, *record);
}

bool CWarrantyLink::LoadServiceData(LinkDocument& doc, const std::string& path) {
    WarrantyValues* record = doc.GetWarranty();
    if (record == nullptr || !ServiceDataFile::Load(path, *record)) return false;
    doc.UpdateAllViews();
    return true;
}

}  // namespace corvane
