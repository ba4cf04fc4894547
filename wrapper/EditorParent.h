#pragma once

// True when JUCE has a connection to an X server, so that editor windows can
// be created. Message thread only.
bool velmoX11DisplayAvailable();
