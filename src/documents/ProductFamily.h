#pragma once

#include <cstdint>

namespace corvane {

// The product families of module. The running product code decides which maps and values a
// maps document holds.
enum class ProductFamily {
    kA,        // fuel injection: 194 maps and the composite IgnVsRpmMap; codes 1, 128
    kB,        // ignition with warranty record: 34 maps, 3 composites; codes 2, 8, 64
    kC,        // ignition: 34 maps; codes 4, 256
    kUnknown,  // any other code: a document of it holds no maps
};

[[nodiscard]] constexpr ProductFamily FamilyOfProductCode(std::uint32_t code) {
    switch (code) {
        case 1:
        case 128:
            return ProductFamily::kA;
        case 2:
        case 8:
        case 64:
            return ProductFamily::kB;
        case 4:
        case 256:
            return ProductFamily::kC;
        default:
            return ProductFamily::kUnknown;
    }
}

[[nodiscard]] constexpr const char* FamilyName(ProductFamily family) {
    switch (family) {
        case ProductFamily::kA: return "A";
        case ProductFamily::kB: return "B";
        case ProductFamily::kC: return "C";
        default: return "?";
    }
}

}  // namespace corvane
