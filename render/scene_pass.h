// The start of every frame's drawing: view and projection from the camera, the frame's
// texture and blending states, and the ground quad.
#pragma once

// View and projection transforms from g_engine.camera and the screen's aspect; writes the
// camera's lookAt to the point one unit ahead.
void SetupViewProjection();

// SetupViewProjection, then the states that every later draw of the frame inherits, then the
// ground quad with the identity world transform. Between BeginScene and the map.
void DrawScenePass();
