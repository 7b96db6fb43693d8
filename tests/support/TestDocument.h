#pragma once

#include "model/CModuleMemoryMapMirror.h"
#include "model/DocumentContext.h"
#include "support/FakeComms.h"

namespace corvane::test {

// The smallest owner of values: an image and a recording comms library behind one context.
struct TestDocument {
    CModuleMemoryMapMirror image;
    FakeComms comms;
    DocumentContext ctx;
    TestDocument() {
        ctx.image = &image;
        ctx.comms = &comms;
    }
};

}  // namespace corvane::test
