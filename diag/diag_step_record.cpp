#include "diag/diag_step_record.h"

namespace kestro {

DiagStepRecord& diagStepRecord() {
  static DiagStepRecord* record = new DiagStepRecord;  // never freed: a late report may still read it
  return *record;
}

}  // namespace kestro
