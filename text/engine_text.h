// The engine's text step of game set-up: both fonts, the labels, the banner, and the first
// font rebuilt with the face the engine shows its banner in.
#pragma once

class CD3DEngine;

void SetupEngineText(CD3DEngine* engine);
