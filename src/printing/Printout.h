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

// The printout of the current view, one print job each: the last page of the terminal, the function
// text or logbook, or the picture with its open setpoint table or curve. The picture is drawn by the
// element painter at the printer's scale; the screen's scale, hit boxes and chart stay as they are.
class Printout {
public:
    // `printer` null: the system's printer, or a PDF file per printout in the documents folder, named
    // by what it shows. `report`, when given, is told how each job ended.
    Printout(PrinterSurface* printer, OutputReport* report, const ViewMembers& viewState,
             const PictureMembers& picture, const SessionMembers& session, const SettingsMembers& settings,
             const SetpointMembers& setpoint, const PictureModel& model, PictureView& view,
             SystemDialog& terminal, TextView& texts, SetpointPanel& setpoints, CurveEditor& curve);

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
    const ViewMembers& m_ViewState;
    const PictureMembers& m_Picture;
    const SessionMembers& m_Session;
    const SettingsMembers& m_Settings;
    const SetpointMembers& m_Setpoint;
    const PictureModel& m_Model;
    PictureView& m_View;
    SystemDialog& m_Terminal;
    TextView& m_Texts;
    SetpointPanel& m_Setpoints;
    CurveEditor& m_Curve;
};

} // namespace pelorin
