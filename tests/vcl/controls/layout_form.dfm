object LayoutForm: TLayoutForm
  Left = 0
  Top = 0
  BorderStyle = bsNone
  Caption = 'Layout'
  ClientHeight = 300
  ClientWidth = 400
  Color = clBtnFace
  PixelsPerInch = 96
  TextHeight = 13
  object TopB: TTestPanel
    Left = 0
    Top = 50
    Width = 100
    Height = 20
    Align = alTop
  end
  object TopA: TTestPanel
    Left = 0
    Top = 10
    Width = 100
    Height = 30
    Align = alTop
  end
  object Bottom1: TTestPanel
    Left = 0
    Top = 15
    Width = 100
    Height = 10
    Align = alBottom
  end
  object Bottom2: TTestPanel
    Left = 0
    Top = 0
    Width = 100
    Height = 25
    Align = alBottom
  end
  object Left1: TTestPanel
    Left = 0
    Top = 0
    Width = 60
    Height = 10
    Align = alLeft
  end
  object Right1: TTestPanel
    Left = 0
    Top = 0
    Width = 70
    Height = 10
    Align = alRight
    Constraints.MaxWidth = 50
  end
  object Client: TTestPanel
    Left = 60
    Top = 50
    Width = 290
    Height = 215
    Align = alClient
    object InnerClient: TTestPanel
      Left = 0
      Top = 0
      Width = 10
      Height = 10
      Align = alClient
    end
    object InnerTop: TTestPanel
      Left = 0
      Top = 0
      Width = 10
      Height = 15
      Align = alTop
    end
    object Corner: TSolidGraphic
      Left = 260
      Top = 200
      Width = 20
      Height = 10
      Anchors = [akRight, akBottom]
    end
  end
end
