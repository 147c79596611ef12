#include "Engine/GLFWVideoModule/EGLVideoModule.h"

#include <dlfcn.h>

#include "Engine/FatalError.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

namespace {

// The EGL entry points, from the library loaded at the first use: a machine without it still runs
// everything but headless drawing, and is told which package brings it.
struct EGLLibrary {
    bool loaded = false;
    std::string error;
    PFNEGLGETPLATFORMDISPLAYPROC getPlatformDisplay = nullptr;
    PFNEGLINITIALIZEPROC initialize = nullptr;
    PFNEGLTERMINATEPROC terminate = nullptr;
    PFNEGLCHOOSECONFIGPROC chooseConfig = nullptr;
    PFNEGLBINDAPIPROC bindAPI = nullptr;
    PFNEGLCREATECONTEXTPROC createContext = nullptr;
    PFNEGLDESTROYCONTEXTPROC destroyContext = nullptr;
    PFNEGLCREATEPBUFFERSURFACEPROC createPbufferSurface = nullptr;
    PFNEGLDESTROYSURFACEPROC destroySurface = nullptr;
    PFNEGLMAKECURRENTPROC makeCurrent = nullptr;
};

constexpr const char* kLibraryName = "libEGL.so.1";

template <typename Function>
bool find(void* handle, const char* name, Function& out) {
    out = reinterpret_cast<Function>(dlsym(handle, name));
    return out != nullptr;
}

const EGLLibrary& eglLibrary() {
    static const EGLLibrary library = [] {
        EGLLibrary l;
        // Never closed: GL drivers do not survive being unloaded.
        void* handle = dlopen(kLibraryName, RTLD_NOW | RTLD_GLOBAL);
        if (handle == nullptr) {
            const char* reason = dlerror();
            l.error = std::string("headless drawing needs the EGL library ") + kLibraryName +
                      " (Debian package libegl1): " + (reason != nullptr ? reason : "not found");
            return l;
        }
        l.loaded = find(handle, "eglGetPlatformDisplay", l.getPlatformDisplay) &&
                   find(handle, "eglInitialize", l.initialize) && find(handle, "eglTerminate", l.terminate) &&
                   find(handle, "eglChooseConfig", l.chooseConfig) && find(handle, "eglBindAPI", l.bindAPI) &&
                   find(handle, "eglCreateContext", l.createContext) &&
                   find(handle, "eglDestroyContext", l.destroyContext) &&
                   find(handle, "eglCreatePbufferSurface", l.createPbufferSurface) &&
                   find(handle, "eglDestroySurface", l.destroySurface) &&
                   find(handle, "eglMakeCurrent", l.makeCurrent);
        if (!l.loaded)
            l.error = std::string("headless drawing needs EGL 1.5, and ") + kLibraryName +
                      " lacks it (Debian package libegl1)";
        return l;
    }();
    return library;
}

}  // namespace

EGLVideoModule::EGLVideoModule(GameSystem* gameSystem) : GLVideoModule(gameSystem) {
    addTypeName("EGLVideoModule");
}

EGLVideoModule::~EGLVideoModule() {
    releaseContextObjects();
    closeBuffer();
    if (display_ != nullptr)
        eglLibrary().terminate(display_);
}

bool EGLVideoModule::init() {
    if (!VideoModule::init())
        fatalError(openError_.c_str());
    return true;
}

bool EGLVideoModule::openDisplay() {
    if (display_ != nullptr)
        return true;
    const EGLLibrary& egl = eglLibrary();
    if (!egl.loaded) {
        openError_ = egl.error;
        return false;
    }
    // The surfaceless platform asked for by name: EGL's default display would look for an X
    // server first, and fail without one.
    EGLDisplay display = egl.getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    EGLint major = 0;
    EGLint minor = 0;
    if (display == EGL_NO_DISPLAY || egl.initialize(display, &major, &minor) != EGL_TRUE) {
        openError_ =
            "headless drawing found no EGL driver that draws without a display (Debian package "
            "libegl-mesa0)";
        return false;
    }
    display_ = display;
    return true;
}

void EGLVideoModule::closeBuffer() {
    if (context_ == nullptr)
        return;
    endContext();
    const EGLLibrary& egl = eglLibrary();
    egl.makeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    egl.destroySurface(display_, surface_);
    egl.destroyContext(display_, context_);
    surface_ = nullptr;
    context_ = nullptr;
}

bool EGLVideoModule::restartVideo() {
    if (!openDisplay())
        return false;
    const EGLLibrary& egl = eglLibrary();
    const int width = getDeviceWidth();
    const int height = getDeviceHeight();
    openError_ = "could not make an off-screen picture of " + std::to_string(width) + " x " +
                 std::to_string(height) + " pixels";
    // The window's buffer: 8 bits a channel, a 24-bit depth buffer, and the game's multisampling
    // when the driver has it.
    const EGLint samples = getAntialiasing() >= 1 ? getAntialiasing() : 0;
    EGLint attributes[] = {EGL_SURFACE_TYPE,
                           EGL_PBUFFER_BIT,
                           EGL_RENDERABLE_TYPE,
                           EGL_OPENGL_BIT,
                           EGL_RED_SIZE,
                           8,
                           EGL_GREEN_SIZE,
                           8,
                           EGL_BLUE_SIZE,
                           8,
                           EGL_ALPHA_SIZE,
                           8,
                           EGL_DEPTH_SIZE,
                           24,
                           EGL_SAMPLE_BUFFERS,
                           samples > 0 ? 1 : 0,
                           EGL_SAMPLES,
                           samples,
                           EGL_NONE};
    EGLConfig config = nullptr;
    EGLint found = 0;
    if (egl.chooseConfig(display_, attributes, &config, 1, &found) != EGL_TRUE || found < 1) {
        attributes[16] = 0;  // no multisampling
        attributes[18] = 0;
        if (egl.chooseConfig(display_, attributes, &config, 1, &found) != EGL_TRUE || found < 1)
            return false;
    }
    if (egl.bindAPI(EGL_OPENGL_API) != EGL_TRUE)
        return false;
    // A legacy context, as in a window: immediate mode and the fixed-function matrices.
    const EGLint contextAttributes[] = {EGL_CONTEXT_MAJOR_VERSION, 2, EGL_CONTEXT_MINOR_VERSION, 1, EGL_NONE};
    EGLContext context = egl.createContext(display_, config, EGL_NO_CONTEXT, contextAttributes);
    if (context == EGL_NO_CONTEXT)
        return false;
    const EGLint bufferAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    EGLSurface surface = egl.createPbufferSurface(display_, config, bufferAttributes);
    if (surface == EGL_NO_SURFACE) {
        egl.destroyContext(display_, context);
        return false;
    }
    // The old context is still current: its textures are deleted there, and loaded again into
    // the new one on their next use.
    if (context_ != nullptr)
        releaseDeviceTextures();
    closeBuffer();
    if (egl.makeCurrent(display_, surface, surface, context) != EGL_TRUE) {
        egl.destroySurface(display_, surface);
        egl.destroyContext(display_, context);
        return false;
    }
    context_ = context;
    surface_ = surface;
    openError_.clear();
    beginContext(width, height);
    return true;
}

void EGLVideoModule::presentFrame() {
    glFinish();
}
