#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/FakeComms.h"
#include "support/RecordingPrompter.h"
#include "maps/CMapCatalogue.h"
#include "maps/CModuleMapBasic.h"
#include "model/AppState.h"
#include "model/CModuleMemoryMapMirror.h"
#include "model/DocumentContext.h"

namespace corvane::test {

// A document's surroundings: image, a recording link and comms, a recording prompter, the
// application state and a counter of modification notices.
struct MapsFixture : ::testing::Test {
    MapsFixture() {
        context.image = &image;
        context.comms = &comms;
        context.link = &comms;
        context.prompter = &prompter;
        context.app = &app;
        context.modified = [this] { ++modifiedCount; };
    }

    std::unique_ptr<CModuleMapBasic> Make(const std::string& name) {
        auto map = CMapCatalogue::CreateMap(name, &context);
        EXPECT_NE(map, nullptr) << name;
        if (map) map->CreateMapPoints();
        return map;
    }

    // Sets every point's base (trim 0) from a function of the index, without pushing.
    template <typename Fn>
    static void Shape(CModuleMapBasic& map, Fn fn) {
        for (int i = 0; i < map.GetNumberOfPoints(); ++i) map.GetMapPoint(i)->AssignBase(fn(i));
    }

    CModuleMemoryMapMirror image;
    FakeComms comms;
    RecordingPrompter prompter;
    AppState app;
    DocumentContext context;
    int modifiedCount = 0;
};

}  // namespace corvane::test
