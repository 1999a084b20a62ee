// The program's page behaviors. Each is one object constructed on the first
// call, which puts it into the engine's behavior registry; a window calls this
// before it loads a page that names "tabs", "grid", "sortable-grid" or
// "ratechart" (a static object left in a library alone would be dropped by the
// linker and never registered).
#pragma once

namespace htmlayout {
class ratechart;
}

namespace kestro {

void registerPageBehaviors();

// The rate chart instance, which holds the chart's history.
htmlayout::ratechart& rateChartBehavior();

}  // namespace kestro
