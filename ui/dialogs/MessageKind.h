// MessageKind: what a message dialog reports, choosing its icon and its buttons.
#pragma once

enum MessageKind { Information = 1, Error = 2, Warning = 3, Question = 4 };
