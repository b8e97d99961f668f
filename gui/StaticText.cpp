#include "gui/StaticText.h"

#include "core/Engine.h"
#include "text/Font.h"
#include "text/FontManager.h"

void StaticText::drawAt(float px, float py) const {
    Engine::fontManager->getFont(1)->printScaled(int(px), int(py), characterSet, color[0], color[1],
                                                 color[2], color[3], scaleX, scaleY, "%s",
                                                 text.c_str());
}
