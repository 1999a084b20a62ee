#include "ui/behaviors/page_behaviors.h"

#include "ui/behaviors/grid.h"
#include "ui/behaviors/ratechart.h"
#include "ui/behaviors/sortable_grid.h"
#include "ui/behaviors/tabs.h"

namespace kestro {

htmlayout::ratechart& rateChartBehavior() {
  static htmlayout::ratechart chart;
  return chart;
}

void registerPageBehaviors() {
  static htmlayout::grid grid;
  static htmlayout::sortable_grid sortable;
  static htmlayout::tabs tabs;
  rateChartBehavior();
}

}  // namespace kestro
