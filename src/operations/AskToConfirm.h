#pragma once

struct Alert;
class Alerts;

// Brings the application to the front and asks; true only when the confirming button was
// pressed.
bool askToConfirm(Alerts& alerts, const Alert& alert, int confirmingButton = 0);
