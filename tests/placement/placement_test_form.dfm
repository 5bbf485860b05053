object PlacementTestForm: TPlacementTestForm
  Left = 100
  Top = 80
  Width = 400
  Height = 300
  Caption = 'Placement'
  OnCloseQuery = FormCloseQuery
  OnDestroy = FormDestroy
  OnShow = FormShow
  object FormStorage1: TFormStorage
    IniSection = 'User'
    MinMaxInfo.MinTrackHeight = 585
    MinMaxInfo.MinTrackWidth = 775
    StoredProps.Strings = (
      'GadgetBase.Folder'
      'GadgetOverlay.Folder'
      'GadgetOverlay.Kind')
  end
  object GadgetBase: TGadget
  end
  object GadgetOverlay: TGadget
  end
end
