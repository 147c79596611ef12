#include "Engine/GLFWVideoModule/GLFWVideoModule.h"

#include "Engine/FatalError.h"
#include "Engine/GameSystem.h"

#include <GLFW/glfw3.h>

GLFWVideoModule::GLFWVideoModule(GameSystem* gameSystem) : GLVideoModule(gameSystem) {
    addTypeName("GLFWVideoModule");
}

GLFWVideoModule::~GLFWVideoModule() {
    releaseContextObjects();
    closeWindow();
}

bool GLFWVideoModule::init() {
    if (!VideoModule::init())
        fatalError("could not open window");
    return true;
}

void GLFWVideoModule::closeWindow() {
    if (window_ == nullptr)
        return;
    endContext();
    glfwDestroyWindow(window_);
    window_ = nullptr;
}

void GLFWVideoModule::applyWindowTitle() {
    if (window_ != nullptr)
        glfwSetWindowTitle(window_, getWindowTitle().c_str());
}

bool GLFWVideoModule::restartVideo() {
    glfwDefaultWindowHints();
    // A legacy context: a 3.2+ request without a profile gives a core profile, where immediate
    // mode and the fixed-function matrices fail silently.
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 2);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 1);
    glfwWindowHint(GLFW_SAMPLES, getAntialiasing() >= 1 ? getAntialiasing() : 0);
    glfwWindowHint(GLFW_RESIZABLE, GLFW_FALSE);
    glfwWindowHint(GLFW_DEPTH_BITS, 24);
    glfwWindowHint(GLFW_STENCIL_BITS, 0);
    GLFWmonitor* monitor = nullptr;
    if (isFullScreen()) {
        if (gameSystem_ != nullptr)
            gameSystem_->log("WARNING: forcing refresh rate to 60hz");
        glfwWindowHint(GLFW_REFRESH_RATE, 60);
        monitor = glfwGetPrimaryMonitor();
    }
    GLFWwindow* window =
        glfwCreateWindow(getDeviceWidth(), getDeviceHeight(), getWindowTitle().c_str(), monitor, nullptr);
    if (window == nullptr)
        return false;
    // The old context is still current: its textures are deleted there, and loaded again into
    // the new one on their next use.
    if (window_ != nullptr)
        releaseDeviceTextures();
    closeWindow();
    window_ = window;
    glfwMakeContextCurrent(window_);
    // The main loop paces itself; a blocking swap would only add to its sleep.
    glfwSwapInterval(0);
    // Hidden rather than disabled: a disabled cursor reports unbounded positions.
    glfwSetInputMode(window_, GLFW_CURSOR, GLFW_CURSOR_HIDDEN);

    int width = 0;
    int height = 0;
    glfwGetFramebufferSize(window_, &width, &height);
    beginContext(width, height);
    return true;
}

void GLFWVideoModule::update(float deltaMS) {
    VideoModule::update(deltaMS);
    if (window_ == nullptr)
        return;
    updateWindowState(glfwWindowShouldClose(window_) != 0, glfwGetWindowAttrib(window_, GLFW_FOCUSED) != 0);
}

void GLFWVideoModule::presentFrame() {
    glfwSwapBuffers(window_);
}
