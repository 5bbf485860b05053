// Actions: one command (its caption, enabled and checked state, picture, handler) shared by
// the controls that offer it.
//
// A TBasicAction runs OnExecute when a client executes it and OnUpdate when it is asked to
// bring itself up to date; its clients hold a link (TBasicActionLink) through which the action
// pushes every change of its properties to them. TCustomAction adds the properties a button
// shows; TAction publishes them. Actions gather in a TActionList, whose Images hold their
// pictures and whose OnExecute/OnUpdate may answer for all of them.
//
// Updating happens while the program is idle: every visible, enabled form asks the controls
// that have an action (csActionClient) to update it. An action that no one updates (no
// OnUpdate, nothing in its list or on the application) is offered to the forms as
// CM_ACTIONUPDATE through the application window; one that no one handles and that has no
// OnExecute is disabled (DisableIfNoHandler).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "vcl/classes/component.h"
#include "vcl/controls/controls.h"

namespace vcl {

class TCustomImageList;
class TCustomAction;
class TCustomActionList;

// ---- Links: how an action reaches its clients ------------------------------------------------

class TBasicActionLink : public TObject {
  VCL_CLASS(TBasicActionLink, TObject)
  TBasicActionLink() = default;
  ~TBasicActionLink() override;
  TBasicActionLink(const TBasicActionLink&) = delete;
  TBasicActionLink& operator=(const TBasicActionLink&) = delete;

  TBasicAction* Action() const { return action_; }
  // Registers with the new action (and leaves the old one).
  virtual void SetAction(TBasicAction* value);
  // Executes the action on behalf of `component` (its ActionComponent meanwhile).
  virtual bool Execute(TComponent* component = nullptr);
  virtual bool Update();

  // Fired (with the action) when a property of the action changed.
  TNotifyEvent OnChange;

 protected:
  friend class TBasicAction;
  friend class TCustomAction;

  virtual void Change();
  // The action is being destroyed: the link lets go of it (a control drops its Action).
  virtual void ActionFreed();

  // What the action pushes to the client; each applies only where the client still shows the
  // action's value (a client whose caption was changed by hand keeps it).
  virtual void SetCaption(const std::string&) {}
  virtual void SetChecked(bool) {}
  virtual void SetEnabled(bool) {}
  virtual void SetGroupIndex(int) {}
  virtual void SetHint(const std::string&) {}
  virtual void SetImageIndex(int) {}
  virtual void SetVisible(bool) {}

 private:
  TBasicAction* action_ = nullptr;
};

// The link of a control: the action's caption, enabled state, hint and visibility go to the
// control's own properties.
class TControlActionLink : public TBasicActionLink {
  VCL_CLASS(TControlActionLink, TBasicActionLink)
  explicit TControlActionLink(TControl* client) : client_(client) {}

  TControl* Client() const { return client_; }

 protected:
  void ActionFreed() override;
  // The action as a TCustomAction, or nullptr.
  TCustomAction* CustomAction() const;
  void SetCaption(const std::string& value) override;
  void SetEnabled(bool value) override;
  void SetHint(const std::string& value) override;
  void SetVisible(bool value) override;

 private:
  TControl* client_;
};

// ---- TBasicAction ----------------------------------------------------------------------------

class TBasicAction : public TComponent {
  VCL_CLASS(TBasicAction, TComponent)
  explicit TBasicAction(TComponent* owner);
  ~TBasicAction() override;

  // Runs OnExecute; true when there was one.
  virtual bool Execute();
  // Runs OnUpdate; true when there was one.
  virtual bool Update();
  // For actions that work on a target (the focused control): whether this target suits, and
  // what to do with it. Plain actions have no target.
  virtual bool HandlesTarget(TObject* target) { return false; }
  virtual void ExecuteTarget(TObject* target) {}
  virtual void UpdateTarget(TObject* target) {}

  // The client executing the action right now, or nullptr.
  TComponent* ActionComponent() const { return actionComponent_; }
  void SetActionComponent(TComponent* value);

  void RegisterChanges(TBasicActionLink* link);
  void UnRegisterChanges(TBasicActionLink* link);
  int ClientCount() const { return static_cast<int>(clients_.size()); }

  TNotifyEvent OnExecute;
  TNotifyEvent OnUpdate;

 protected:
  // Tells the clients that a property changed.
  virtual void Change();
  void Notification(TComponent* component, TOperation operation) override;

  std::vector<TBasicActionLink*> clients_;

 private:
  TComponent* actionComponent_ = nullptr;
};

// ---- TContainedAction, TCustomAction, TAction --------------------------------------------

// An action that may belong to an action list.
class TContainedAction : public TBasicAction {
  VCL_CLASS(TContainedAction, TBasicAction)
  explicit TContainedAction(TComponent* owner);
  ~TContainedAction() override;

  TCustomActionList* ActionList() const { return actionList_; }
  void SetActionList(TCustomActionList* value);
  // The place in the list (-1 outside one); setting moves it there.
  int Index() const;
  void SetIndex(int value);
  const std::string& Category() const { return category_; }
  void SetCategory(const std::string& value);

  // Asks the list, then the application, then OnExecute, then the forms (CM_ACTIONEXECUTE).
  bool Execute() override;
  // Asks the list, then the application, then OnUpdate, then the forms (CM_ACTIONUPDATE).
  bool Update() override;

  // In form data an action is written inside its list.
  bool HasParent() const override { return actionList_ != nullptr; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* value) override;

 private:
  friend class TCustomActionList;
  TCustomActionList* actionList_ = nullptr;
  std::string category_;
};

class TCustomAction : public TContainedAction {
  VCL_CLASS(TCustomAction, TContainedAction)
  explicit TCustomAction(TComponent* owner);

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& value);
  // Checking an action of a group (GroupIndex above 0) unchecks the others of its list.
  bool Checked() const { return checked_; }
  void SetChecked(bool value);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  int GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int value);
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& value);
  // The picture in the action list's Images; -1 for none.
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int value);
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  // Executing toggles Checked (a checked action of a group stays checked).
  bool AutoCheck() const { return autoCheck_; }
  void SetAutoCheck(bool value) { autoCheck_ = value; }
  // Disabled while idle when no one handles it and it has no OnExecute.
  bool DisableIfNoHandler() const { return disableIfNoHandler_; }
  void SetDisableIfNoHandler(bool value) { disableIfNoHandler_ = value; }

  // Updates first; runs only while enabled.
  bool Execute() override;

 private:
  void UncheckGroup();

  std::string caption_;
  std::string hint_;
  int groupIndex_ = 0;
  int imageIndex_ = -1;
  bool checked_ = false;
  bool enabled_ = true;
  bool visible_ = true;
  bool autoCheck_ = false;
  bool disableIfNoHandler_ = true;
};

class TAction : public TCustomAction {
  VCL_CLASS(TAction, TCustomAction)
  explicit TAction(TComponent* owner);
  ~TAction() override;
};

// ---- TCustomActionList, TActionList ----------------------------------------------------

class TCustomActionList : public TComponent {
  VCL_CLASS(TCustomActionList, TComponent)
  explicit TCustomActionList(TComponent* owner);
  // Frees the actions it holds, as the platform's list does.
  ~TCustomActionList() override;

  int ActionCount() const { return static_cast<int>(actions_.size()); }
  TContainedAction* Actions(int index) const;
  TCustomImageList* Images() const { return images_; }
  void SetImages(TCustomImageList* value);

  // Offers the action to OnExecute / OnUpdate; true when the handler took it.
  virtual bool ExecuteAction(TBasicAction* action);
  virtual bool UpdateAction(TBasicAction* action);

  void GetChildren(const TGetChildProc& proc, TComponent* root) override;

  TActionEvent OnExecute;
  TActionEvent OnUpdate;
  TNotifyEvent OnChange;

 protected:
  friend class TContainedAction;
  void AddAction(TContainedAction* action);
  void RemoveAction(TContainedAction* action);
  virtual void Change();
  void Notification(TComponent* component, TOperation operation) override;

 private:
  std::vector<TContainedAction*> actions_;
  TCustomImageList* images_ = nullptr;
};

class TActionList : public TCustomActionList {
  VCL_CLASS(TActionList, TCustomActionList)
  explicit TActionList(TComponent* owner);
  ~TActionList() override;
};

}  // namespace vcl
