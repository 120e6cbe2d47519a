// What lumivane-convert --help prints for a batch.
#pragma once

extern const char kBatchUsage[];
