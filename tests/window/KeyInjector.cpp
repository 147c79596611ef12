#include "KeyInjector.h"

#include <X11/Xlib.h>

// GLFW's native-access functions, declared here because its native header also wants the
// RandR development headers, which nothing else needs.
extern "C" Display* glfwGetX11Display(void);
extern "C" Window glfwGetX11Window(GLFWwindow* window);

void sendKeyEvent(GLFWwindow* window, unsigned long keysym, bool press) {
    Display* display = glfwGetX11Display();
    const Window target = glfwGetX11Window(window);
    XKeyEvent event{};
    event.type = press ? KeyPress : KeyRelease;
    event.display = display;
    event.window = target;
    event.root = DefaultRootWindow(display);
    event.subwindow = None;
    event.time = CurrentTime;
    event.same_screen = True;
    event.keycode = XKeysymToKeycode(display, keysym);
    XSendEvent(display, target, True, press ? KeyPressMask : KeyReleaseMask,
               reinterpret_cast<XEvent*>(&event));
    XFlush(display);
}
