#pragma once
// How the toolkit's Objective-C names read in C++. (Its folders, and which may include which:
// platform/README.md.)
//
// - A selector becomes a member named by its first keyword; later keywords become parameter
//   names: `setImage:forState:` is `setImage(image, state)`, `viewWithTag:` is `viewWithTag(tag)`.
// - Where first keywords would collide, the keywords are joined in lower camel case:
//   `gestureLockView:didEndWithPasscode:` is `gestureLockViewDidEndWithPasscode(view, passcode)`,
//   `earthquakeEnded:finished:context:` is `earthquakeEnded(name, finished, context)`.
// - A property `name` has the getter `name()` and the setter `setName(v)`; a boolean property
//   keeps its Objective-C getter (`isHidden()`, `isSelected()`).
// - Class methods are static members (`UIColor::orangeColor()`, `UIScreen::mainScreen()`).
// - `alloc`/`init…` is two-phase: `alloc<T>()` makes the object with std::make_shared, the init
//   member finishes it (it may call virtuals and shared_from_this, which a constructor cannot).
// - What the toolkit owns is held by std::shared_ptr, what it only watches by std::weak_ptr
//   (a delegate, a superview, an animation context). A message to an absent object does
//   nothing: callers check for null instead of catching exceptions.
// - Selectors that travel as values (target-action, timers, delayed performs, notification
//   observers, animation stop methods) are interned names sent through the runtime
//   (runtime/Runtime.h), so a class answers them only for the methods it has registered.
