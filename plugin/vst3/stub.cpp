#include "plugin/vst3/classes.h"
namespace tf::vst3plugin {
vst3::FUnknown* createProcessor() { return nullptr; }
vst3::FUnknown* createController() { return nullptr; }
}
