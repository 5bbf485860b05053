object EventForm: TEventForm
  Left = 120
  Top = 80
  Caption = 'Events'
  ClientHeight = 120
  ClientWidth = 200
  PixelsPerInch = 96
  TextHeight = 13
  OnCreate = FormCreate
  OnShow = FormShow
  object Box: TSolidControl
    Left = 10
    Top = 10
    Width = 50
    Height = 30
    TabOrder = 1
    OnClick = BoxClick
  end
  object Other: TSolidControl
    Left = 70
    Top = 10
    Width = 50
    Height = 30
    TabOrder = 0
  end
end
