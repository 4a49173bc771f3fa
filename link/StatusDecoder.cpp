#include "link/StatusDecoder.h"

// Placeholder so the engine links while report decoding is being written; replaced by the decoder.
namespace vatrel {
void DispatchReport(Console&, const char*, int, quint8) {}
void AllSensorsLost(Console&) {}
} // namespace vatrel
