// Fuzzed readers of the monitor layer: the monitored-items files and the EGO sensor table.
#include "FuzzEntry.h"
#include "monitor/MonitorFuzzEntryPoints.h"

namespace corvane::fuzz {
namespace {

const FuzzEntryRegistrar kItems("items", &corvane::FuzzMonitoredItemsFile);
const FuzzEntryRegistrar kEgoTable("ego_table", &corvane::FuzzEgoSensorTable);

}  // namespace
}  // namespace corvane::fuzz
