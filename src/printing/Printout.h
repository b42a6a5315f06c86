#pragma once

#include "platform/PrintJob.h"
#include "ports/ControlMembers.h"

#include <QString>
#include <cstdint>
#include <string>

namespace pelorin {

class CurveEditor;
class OutputReport;
class PictureModel;
class PictureView;
class PrinterSurface;
class SetpointPanel;
class SystemDialog;
class TextView;

// What the printout reads; it changes none of it.
struct PrintoutContext {
    // Null: the system's printer, or a PDF file per printout in the documents folder.
    PrinterSurface* printer = nullptr;
    // When given, told how each job ended.
    OutputReport* report = nullptr;
    const PictureMembers& picture;
    const SessionMembers& session;
    const SettingsMembers& settings;
    const SetpointMembers& setpoint;
    // Which view is shown decides what is printed.
    const ViewMembers& viewState;
    const PictureModel& model;
    const PictureView& view;
    const SystemDialog& terminal;
    const TextView& texts;
    const SetpointPanel& setpoints;
    const CurveEditor& curve;
};

// The printout of the current view, one print job each: the last page of the terminal, the function
// text or logbook, or the picture with its open setpoint table or curve. The picture is drawn by the
// element painter at the printer's scale; the screen's scale, hit boxes and chart stay as they are.
class Printout {
public:
    explicit Printout(const PrintoutContext& context);

    // TB_PRINT: prints whichever of the terminal, the text view and the picture is shown.
    void PrintCurrentView();
    PrinterSurface& Printer() { return m_Jobs.Printer(); }

private:
    void PrintTerminal(PrinterSurface& printer);
    void PrintText(PrinterSurface& printer);
    void PrintPicture(PrinterSurface& printer);
    void PrintHeader(PrinterSurface& printer, const ScaleMembers& scale);
    void PrintCurve(PrinterSurface& printer, const ScaleMembers& scale, int32_t x0, int32_t y0,
                    int32_t width);
    void PrintSetpointTable(PrinterSurface& printer, int32_t x0, int32_t y0);
    std::string SetpointAddress() const;
    QString TextDocumentName() const;

    JobPrinter m_Jobs;
    OutputReport* m_Report;
    const PictureMembers& m_Picture;
    const SessionMembers& m_Session;
    const SettingsMembers& m_Settings;
    const SetpointMembers& m_Setpoint;
    const ViewMembers& m_ViewState;
    const PictureModel& m_Model;
    const PictureView& m_View;
    const SystemDialog& m_Terminal;
    const TextView& m_Texts;
    const SetpointPanel& m_Setpoints;
    const CurveEditor& m_Curve;
};

} // namespace pelorin
