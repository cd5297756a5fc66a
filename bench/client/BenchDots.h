#pragma once
// The search map's result dots, measured on the window after its search.
namespace zuneigo {
class TMainForm;
}

// Prints "dots_ms" (the dots of the current result list computed, drawn and painted) and
// "dot_select_mean_ms" / "_p95_ms" / "_max_ms" (one selection move in the list, the list
// and the map painted again).
void BenchDots(zuneigo::TMainForm& form);
