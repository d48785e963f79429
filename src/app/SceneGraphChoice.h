#pragma once

#include <QByteArray>
#include <QString>

// Picks how Qt Quick draws, before the first window is built.
//
// Without a GPU, Mesa renders OpenGL on the CPU (llvmpipe, softpipe, swrast), and Qt Quick's
// OpenGL scene graph then repaints the whole window for every change: measured on such a
// desktop it took three times the CPU and twice the memory of Qt Quick's software scene
// graph, which repaints only the changed pixels. So the software scene graph is chosen
// where OpenGL is a software rasterizer or missing. With a real GPU the OpenGL scene graph
// stays: the GPU does the drawing, so a full repaint costs the CPU little, and scrolling
// large or high-density windows is smoother there than on the CPU. A choice the user made
// through QT_QUICK_BACKEND (or its older name QMLSCENE_DEVICE) or QSG_RHI_BACKEND is kept.
class SceneGraphChoice
{
public:
    enum class Backend { UserChoice, Software, Default };

    // Decides and applies; call after the application object exists, before any window.
    static Backend apply();

    // The decision from a renderer name (GL_RENDERER; empty when no OpenGL context could be
    // made), `userChose` true when one of the variables above is set.
    static Backend decide(bool userChose, const QByteArray &renderer);
    static bool userChose();
    // GL_RENDERER of a throw-away context; empty when OpenGL is missing. Skipped (empty)
    // when the machine has no GPU device node at all, so no GL driver is loaded for nothing.
    static QByteArray probeRenderer();
    static QString name(Backend backend);
};
