#pragma once

#include "common/PortFakes.h"
#include "picture/PictureModel.h"
#include "picture/PictureView.h"
#include "toolbar/ToolbarRow.h"

#include <QWidget>

namespace pelorin::test {

// A picture view alone, on fakes of its ports, with the model and the members it is handed.
struct PictureViewParts {
    cElement& element(size_t index) { return *picture.m_Elements.at(index); }

    QWidget parent;
    RecordingActions actions;
    ToolbarRow toolbar{&parent, actions};
    PictureMembers picture;
    PictureModel model{picture};
    SelectionMembers selection;
    ScaleMembers scale;
    ViewSwitchFake viewSwitch;
    RecordingSender sender;
    PictureView view{&parent,
                     {.selection = selection,
                      .model = model,
                      .picture = picture,
                      .scale = scale,
                      .toolbar = toolbar,
                      .view = viewSwitch,
                      .sender = sender}};
};

} // namespace pelorin::test
