#include "SceneGraphChoice.h"

#include "Logging.h"

#include <QDir>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QQuickWindow>
#include <QSGRendererInterface>

namespace {

// A device node a GPU driver draws through: DRM render nodes, or NVIDIA's own devices.
// Without one, Mesa can only rasterize on the CPU.
bool hasGpuDevice()
{
    return !QDir(QStringLiteral("/dev/dri"))
                .entryList({QStringLiteral("renderD*"), QStringLiteral("card*")}, QDir::System)
                .isEmpty() ||
           !QDir(QStringLiteral("/dev"))
                .entryList({QStringLiteral("nvidia[0-9]*")}, QDir::System)
                .isEmpty();
}

} // namespace

bool SceneGraphChoice::userChose()
{
    return qEnvironmentVariableIsSet("QT_QUICK_BACKEND") ||
           qEnvironmentVariableIsSet("QMLSCENE_DEVICE") ||
           qEnvironmentVariableIsSet("QSG_RHI_BACKEND");
}

SceneGraphChoice::Backend SceneGraphChoice::decide(bool userChose, const QByteArray &renderer)
{
    if (userChose)
        return Backend::UserChoice;
    const QByteArray lower = renderer.toLower();
    if (lower.isEmpty() || lower.contains("llvmpipe") || lower.contains("softpipe") ||
        lower.contains("swrast") || lower.contains("software rasterizer"))
        return Backend::Software;
    return Backend::Default;
}

QByteArray SceneGraphChoice::probeRenderer()
{
    if (!hasGpuDevice())
        return {};
    QOpenGLContext context;
    if (!context.create())
        return {};
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!context.makeCurrent(&surface))
        return {};
    const auto *text =
        reinterpret_cast<const char *>(context.functions()->glGetString(GL_RENDERER));
    QByteArray renderer(text ? text : "");
    context.doneCurrent();
    return renderer;
}

SceneGraphChoice::Backend SceneGraphChoice::apply()
{
    const bool chose = userChose();
    const Backend backend = decide(chose, chose ? QByteArray() : probeRenderer());
    if (backend == Backend::Software)
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    qCInfo(lcShell).noquote() << "[SceneGraph]" << name(backend);
    return backend;
}

QString SceneGraphChoice::name(Backend backend)
{
    switch (backend) {
    case Backend::UserChoice:
        return QStringLiteral("as set in the environment");
    case Backend::Software:
        return QStringLiteral("software (no GPU)");
    case Backend::Default:
        return QStringLiteral("OpenGL on the GPU");
    }
    return {};
}
