// The web page's side of the program's life, used only by the browser
// build's main(): the program runs on the page's one thread and is suspended
// whenever it waits, so the page stays responsive.
#pragma once

// Tells the page that the program has ended: it shows the last picture, stops
// taking keys and clicks, and offers to start the program again.
void FinishPage();
