// Sends X key events to a GLFW window, as a keyboard on the X server would.
#pragma once

struct GLFWwindow;

// [keysym] is an X keysym (XK_a, XK_F4, ...); the event goes to the window's X client.
void sendKeyEvent(GLFWwindow* window, unsigned long keysym, bool press);
